// What the package writer refuses (blocks out of order, unsafe names, an
// entry before its folder, two names one to Windows, a blob that is none):
// a refusal names the fault and the writer stays failed.
#include <gtest/gtest.h>

#include <functional>

#include "bytes.h"
#include "package/package_writer.h"

namespace {

struct Refusal {
  const char* what;
  std::function<bool(PackageWriter&)> steps;  // true when every step but the last succeeds
};

bool Info(PackageWriter& w, std::string_view mainProgram = "", std::string_view record = "") {
  return w.WriteInfo({}, mainProgram, record);
}

const std::vector<std::uint8_t> kBlob = support::Blob("x");

const Refusal kRefusals[] = {
    {"an entry before the info block", [](PackageWriter& w) { return !w.AddFolder("a"); }},
    {"two info blocks", [](PackageWriter& w) { return Info(w) && !Info(w); }},
    {"an agreement after the entries",
     [](PackageWriter& w) { return Info(w) && w.AddFolder("a") && !w.WriteAgreement(kBlob); }},
    {"a file after the shortcuts",
     [](PackageWriter& w) { return Info(w) && w.AddShortcut("m", "t", "d") && !w.AddFile("f", {}); }},
    {"a main program outside the install folder", [](PackageWriter& w) { return !Info(w, "..\\main.exe"); }},
    {"a record file outside the install folder", [](PackageWriter& w) { return !Info(w, "", "..\\record.exe"); }},
    {"a folder named ..", [](PackageWriter& w) { return Info(w) && !w.AddFolder("..\\evil"); }},
    {"a file before its folder", [](PackageWriter& w) { return Info(w) && !w.AddFile("bin\\a.dll", kBlob); }},
    {"a folder before its parent", [](PackageWriter& w) { return Info(w) && !w.AddFolder("bin\\sub"); }},
    {"one name to Windows",
     [](PackageWriter& w) {
       return Info(w) && w.AddFile("\xD1\x91.txt", kBlob) && !w.AddFile("\xD0\x81.txt", kBlob);  // ё.txt, Ё.txt
     }},
    {"a file and a folder of one name",
     [](PackageWriter& w) { return Info(w) && w.AddFile("Data", kBlob) && !w.AddFolder("DATA"); }},
    {"a folder while a streamed file is open",
     [](PackageWriter& w) { return Info(w) && w.BeginFile("a") && w.AppendToFile("xy", 2) && !w.AddFolder("b"); }},
    {"8 bytes are no blob",
     [](PackageWriter& w) { return Info(w) && !w.AddFile("a", std::vector<std::uint8_t>(8, 0)); }},
    {"a shortcut target outside the install folder",
     [](PackageWriter& w) { return Info(w) && !w.AddShortcut("Group\\Name", "..\\..\\x.exe", ""); }},
};

}  // namespace

TEST(PackageWriter, RefusesAndStaysFailed) {
  for (const Refusal& r : kRefusals) {
    std::vector<std::uint8_t> bytes;
    VectorSink sink(bytes);
    PackageWriter w(sink);
    EXPECT_TRUE(r.steps(w)) << r.what;
    EXPECT_FALSE(w.Error().empty()) << r.what;
    EXPECT_FALSE(w.AddShortcut("m", "t", "d")) << r.what;
    EXPECT_FALSE(w.Finish()) << r.what;
  }
  // What it takes: a drive path as main program, an unused shortcut record
  // (no target) with any menu path, folders in order.
  std::vector<std::uint8_t> bytes;
  VectorSink sink(bytes);
  PackageWriter w(sink);
  EXPECT_TRUE(Info(w, "C:\\Windows\\notepad.exe") && w.AddFolder("bin") && w.AddFolder("bin\\sub") &&
              w.AddFile("bin\\sub\\a.dll", kBlob) && w.AddShortcut("..\\unused", "", "") && w.Finish())
      << w.Error();
}
