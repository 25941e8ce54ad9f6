// The installed-entries list: what a package puts into the install folder and
// the start menu, carried by the uninstaller behind its own image. mksetup
// writes it (BuildUninstallList); the uninstaller reads it back from its own
// file (ReadUninstallList), in front of the install record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "integration/deploy_facts.h"
#include "platform/file.h"

namespace uninstall {

struct UninstallList {
  std::string selfName;                // entry name of the uninstaller itself, e.g. "uninstall.exe"
  std::vector<std::string> folders;    // folder entries, package order
  std::vector<std::string> files;      // file entries (selfName among them), package order
  std::vector<std::string> menuLinks;  // menu paths of the start-menu entries
  DeployFacts deploy;                  // present: a version 2 block with the installed-programs entry
};

enum class ListError {
  None,
  NoBlock,     // the footer magic is missing: the file carries no list
  BadLength,   // the footer's block length is out of bounds or beyond the file
  Unreadable,  // the file could not be read
  Checksum,    // the bytes do not match the footer's checksum
  BadHeader,   // header magic wrong, or header and footer disagree
  Version,     // a version this reader does not know
  BadItem,     // an item runs past the block, has an unknown type, a bad length or a second self item
  UnsafeName,  // a name that could reach outside its folder ('..', drive, leading '\', ...)
  BadEntry,    // version 2: an entry item missing, given twice, or not a text the registry entry may hold
};

// Short English description of an error, for tests and mksetup.
const char* ListErrorText(ListError error);

// The texts of the installed-programs entry: version, publisher and URL are
// valid UTF-8 of 1 to UNL_MAX_NAME bytes without control characters; the key
// name is in addition one plain name (IsSafeNameComponent) of at most 255
// UTF-16 units, the longest key name the registry takes.
bool IsSafeDeployText(const std::string& text);
bool IsSafeEntryKey(const std::string& keyName);

// The block's bytes: header, items (self, folders, files, menu links, and
// with list.deploy present the entry key, version, publisher and URL in a
// version 2 block), footer.
// False with *error when a name is unsafe or a bound is passed.
bool BuildUninstallList(const UninstallList& list, std::vector<std::uint8_t>& block, std::string& error);

// Parses a block that ends at the end of `bytes` (bytes before it are ignored).
ListError ParseUninstallList(const std::uint8_t* bytes, std::size_t size, UninstallList& list);

// Reads the block that ends at file offset `end` (in an installed uninstaller:
// the install record's offset). Every read stays inside [0, end).
ListError ReadUninstallList(platform::File& file, std::int64_t end, UninstallList& list);

}  // namespace uninstall
