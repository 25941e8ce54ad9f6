// The upper-case fold under which Windows takes two file names for the same
// file: NTFS compares names through its table of upper-case letters, so
// "ё.txt" and "Ё.txt" are one file there. One fold serves the clash checks
// of the package reader and of mksetup, the listing order and the
// uninstaller's comparisons.
#pragma once

#include <string>
#include <string_view>

// The capital of a small letter of the Basic Multilingual Plane (Latin,
// Latin-1, Latin Extended-A/-B and Additional, Greek, Cyrillic, Armenian,
// Glagolitic, Coptic, Roman numerals, circled and full-width letters), each
// mapping one to one; every other character stays. No letter folds into
// ASCII from outside it (dotless i and long s stay), and a folded character
// keeps its UTF-8 length.
char32_t FoldChar(char32_t c);

// The name with every character folded; bytes that are not UTF-8 stay as
// they are.
std::string FoldName(std::string_view utf8);
// The same over UTF-16 (Windows) or UTF-32 units.
std::wstring FoldName(std::wstring_view wide);
