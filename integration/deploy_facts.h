// What an installer built for unattended deployment carries about its
// installed-programs entry: the entry's key name below the Uninstall key and
// the manifest's [deploy] values. mksetup writes them into the uninstaller's
// installed-entries list; the installer reads them from there at start-up
// (an installer that carries them reads its command line and registers the
// product), and the uninstaller removes the entry by its key name.
#pragma once

#include <string>

struct DeployFacts {
  std::string keyName;    // UTF-8; empty: the installer was not built for deployment
  std::string version;    // DisplayVersion
  std::string publisher;  // Publisher
  std::string url;        // URLInfoAbout; empty: none

  bool Present() const { return !keyName.empty(); }
  bool operator==(const DeployFacts&) const = default;
};
