// The environment-check step's integrity test of the installer's own
// package: before anything is written, every stored file blob must pass its
// checksum and decode to its declared length.
#pragma once

#include <string>

namespace platform {
class File;
}

namespace wizard {

// Walks the package (trailer, picture and agreement bounds, every entry,
// every shortcut record) with bounds checks against the start of the
// trailer, and checks each file entry's DataBlob: its checksum, and that its
// stream decodes (into a scratch buffer, nothing kept) to exactly the raw
// length the blob's head declares, which the checksum does not cover. False for any
// damage: unreadable file, bad trailer, an entry or record running past the
// trailer, a negative length, a file blob of 8 bytes or fewer, a checksum
// mismatch, a shortcut record whose total is not the sum of its lengths.
// The agreement blob is not checked: a package may carry it plain.
bool VerifyPackageIntegrity(const std::wstring& path);
// The same over a file already open for reading; moves its position.
bool VerifyPackageIntegrity(platform::File& file);

// The length, in UTF-16 units, of the longest folder or file name the
// package at path installs (for the folder page's 260-character rule); 0
// when the entry list cannot be walked (the environment check refuses such a
// package anyway). Reads headers and names only.
int LongestEntryNameLength(const std::wstring& path);

}  // namespace wizard
