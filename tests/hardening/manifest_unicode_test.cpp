// Regression of a fuzz finding: the TOML parser under the manifest loader
// hit undefined behaviour when it asked whether a character such as "é" or
// "。" is whitespace (between tokens). Such characters must give a clear
// parse error outside texts and come through unchanged inside them.
#include <gtest/gtest.h>

#include <string>

#include "builder/manifest.h"

namespace {

bool Parse(const std::string& text, builder::Manifest& m, std::string& error) {
  return builder::ParseManifest(text, "/tmp/hardening/setup.toml", m, error);
}

std::string WithName(const std::string& name) {
  return "[product]\nname = \"" + name + "\"\nwelcome = '''\n" + name + "\n'''\n[files]\nsource = \"payload\"\n";
}

TEST(ManifestUnicode, CharactersTheParserMishandledComeThroughInTexts) {
  // One character from each range the parser mishandles, and the edges.
  for (const char* text :
       {"\xC2\xA1", "\xC3\xA9t\xC3\xA9", "\xD2\x99", "\xE3\x80\x82", "\xE2\xB2\x8E", "\xE3\x82\x87", "\xEF\xAC\xA6",
        "\xEF\xBB\xBE", "\xEF\xB8\xB0", "\xE3\x80\x80", "\xE5\xAE\x89\xE8\xA3\x85\xE3\x80\x82"}) {
    builder::Manifest m;
    std::string error;
    ASSERT_TRUE(Parse(WithName(text), m, error)) << text << ": " << error;
    EXPECT_EQ(m.texts.productName, text);
    EXPECT_EQ(m.texts.welcome, std::string(text) + "\n");
  }
}

TEST(ManifestUnicode, StrayCharactersBetweenTokensAreParseErrors) {
  for (const char* stray : {"\xE3\x80\x82", "\xC3\xA9", "\xEF\xBC\x8C", "\xEF\xB9\x90"}) {
    builder::Manifest m;
    std::string error;
    const std::string text = std::string("[product]\nname = \"x\"") + stray + "\n[files]\nsource = \"p\"\n";
    EXPECT_FALSE(Parse(text, m, error)) << stray;
    EXPECT_NE(error.find("setup.toml:2:"), std::string::npos) << error;
  }
  // Unknown keys quoted with such characters are named as written.
  builder::Manifest m;
  std::string error;
  EXPECT_FALSE(Parse("[product]\nname = \"x\"\n\"\xE3\x80\x82\" = \"y\"\n[files]\nsource = \"p\"\n", m, error));
  EXPECT_NE(error.find("product.\xE3\x80\x82: is not a known key"), std::string::npos) << error;
}

TEST(ManifestUnicode, PrivateUseCharactersAreRefused) {
  builder::Manifest m;
  std::string error;
  EXPECT_FALSE(Parse(WithName("\xEE\x80\x80"), m, error));
  EXPECT_NE(error.find("private-use"), std::string::npos) << error;
  // Private-use characters outside the swapped block are plain text.
  EXPECT_TRUE(Parse(WithName("\xEF\x80\x80"), m, error)) << error;
}

}  // namespace
