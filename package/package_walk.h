// The one walk over an installer's package: trailer, info block and its two
// typed records, picture, agreement, every entry, every shortcut record,
// once, in order, read-only, every read checked against the start of the
// trailer. It returns what the clients need (texts, records, entries with
// their offsets and sizes, shortcuts, the longest name) or the first fault
// with its byte offset and an English text.
//
// Clients: the environment check (wizard/package_integrity), which also
// gives the folder limits their longest names, and mksetup verify, list and
// extract. The installer's reader (PackageFile) reads through the same
// parser (package_parse.h), one item at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "package/package_layout.h"
#include "package/package_parse.h"
#include "package/package_place.h"

namespace platform {
class File;
}

enum class WalkLevel {
  // What the installer relies on, and what the environment check refuses:
  // everything ExtractNext would refuse or fail on (see package_parse.h and
  // entry_rule.h: the header, a safe name on every entry, a blob that
  // decodes on every entry with data); an entry that is neither folder nor
  // file, or a folder that carries data (a damaged type would lose a file
  // without a word); a folder or file whose parent is neither the install
  // folder nor a folder entry listed before it; two folders or files that
  // are one name to Windows; a product name that is not one safe name (it
  // names the install folder and the desktop and Startup shortcuts); an
  // unsafe main-program path or record-file name; a shortcut record whose
  // total is not the sum of its lengths, or whose menu path or target is
  // unsafe (records with an empty target are not used and not checked);
  // info lengths that do not add up; typed records out of place; any block
  // reaching past the trailer; an entry list that does not end where the
  // shortcut list starts, and a shortcut list that does not end at the
  // trailer. Allowed: a plain (undecodable) agreement text, an empty file
  // with data length 0, no main program or record file.
  Install,
  // What mksetup writes, for `mksetup verify`: the install level and trailer
  // word 1, the picture and agreement blocks where they belong, an agreement
  // blob that decodes, texts in valid UTF-8, and the listing order (depth
  // first, the items of one folder in upper-case name order).
  Conformance,
};

struct WalkOptions {
  WalkLevel level = WalkLevel::Install;
  // false: structure and names only, no blob decoded (mksetup list and
  // extract); such a walk passing says nothing about the stored data.
  bool decodeBlobs = true;
  // Without decoding: each entry's blob checked against its checksum
  // (mksetup extract), which finds damage but not a stream that was made
  // unsound before its checksum was formed.
  bool checkSums = false;
};

struct WalkedEntry {
  std::int16_t type = 0;
  std::string name;         // as stored (UTF-8)
  std::int64_t offset = 0;  // of the EntryHeader
  std::int32_t dataLength = 0;
  std::int32_t rawLength = 0;  // from the blob head; 0 without data
};

struct WalkedShortcut {
  std::int64_t offset = 0;  // of the ShortcutHeader
  std::string menu, target, description;
};

struct PackageFacts {
  std::int64_t fileSize = 0;
  StubKind stubKind = StubKind::None;  // the installer program in front of the package
  bool signedInstaller = false;        // the trailer stands before a certificate table
  std::int64_t trailerOffset = 0;
  PackageTrailer trailer{};
  std::string texts[5];  // product name, heading, notice, rights, welcome
  std::string mainProgram;
  std::string recordFile;
  std::int32_t agreementRawLength = 0;  // from the blob head; 0 when too short for one
  std::vector<WalkedEntry> entries;
  std::vector<WalkedShortcut> shortcuts;
  // The longest folder name and the longest file name, in UTF-16 units
  // (Windows counts paths so): the folder page holds the install folder to
  // the limits of both.
  std::size_t longestFolderName = 0;
  std::size_t longestFileName = 0;
};

// False with *fault on the first fault (a file that cannot be opened
// included); facts then hold what was read before it.
bool WalkPackage(platform::File& file, const WalkOptions& options, PackageFacts& facts, WalkFault& fault);
bool WalkPackage(const std::wstring& path, const WalkOptions& options, PackageFacts& facts, WalkFault& fault);
