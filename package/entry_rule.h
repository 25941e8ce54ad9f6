// What makes one entry of the entry list fail however it is read: the
// installer's reader (PackageFile::ExtractNext) refuses such an entry, and
// the package walk reports it, so that the environment check refuses the
// package before anything is written. Besides the header below, every
// entry's name, of any type, must pass IsSafeEntryName (the wizard shows it
// as a path even where nothing is created), and its stored data must decode
// (BlobDecoder).
#pragma once

#include "package/package_layout.h"

// The header alone: negative lengths, an entry with neither name nor data
// (it would stand for the install folder itself), stored data of 1 to 8
// bytes (no blob that short decodes). Null when the header is sound.
const char* EntryHeaderFault(const EntryHeader& header);
