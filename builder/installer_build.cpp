#include "builder/installer_build.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "builder/compress_pipeline.h"
#include "builder/installer_signing.h"
#include "builder/license_text.h"
#include "builder/manifest.h"
#include "builder/manifest_checks.h"
#include "builder/path_text.h"
#include "builder/source_tree.h"
#include "builder/uninstaller_embed.h"
#include "builder/unique_tag.h"
#include "package/package_writer.h"

namespace fs = std::filesystem;

namespace builder {
namespace {

// More threads than this only add memory: each holds a file in flight.
constexpr int kMaxThreads = 64;
constexpr std::size_t kOutputBuffer = 1u << 20;

// The installer being written, and a spare name beside it for a signed copy:
// both are removed on destruction unless one of them was put in place.
class TemporaryOutput {
 public:
  explicit TemporaryOutput(const fs::path& output) : output_(output) {
    // The output's extension at the end, for signing tools that go by it.
    std::string name = PathToUtf8(output.filename());
    name.insert(name.begin(), '.');
    name += ".partial-" + UniqueTag();
    const std::string extension = PathToUtf8(output.extension());
    path_ = output.parent_path() / Utf8ToPath(name + extension);
    spare_ = output.parent_path() / Utf8ToPath(name + "-signed" + extension);
  }
  ~TemporaryOutput() {
    if (stream_.is_open()) stream_.close();
    std::error_code ec;
    if (!committed_) fs::remove(path_, ec);
    fs::remove(spare_, ec);
  }
  TemporaryOutput(const TemporaryOutput&) = delete;
  TemporaryOutput& operator=(const TemporaryOutput&) = delete;

  bool Open() {
    stream_.open(path_, std::ios::binary | std::ios::trunc);
    return stream_.is_open();
  }
  std::ofstream& Stream() { return stream_; }
  const fs::path& Path() const { return path_; }
  const fs::path& SparePath() const { return spare_; }

  // Ends the writing; false with *error when not every byte was written.
  bool Close(std::string& error) {
    stream_.flush();
    const bool written = stream_.good();
    stream_.close();
    if (!written || stream_.fail()) {
      error = PathToUtf8(path_) + ": cannot write the installer";
      return false;
    }
    return true;
  }

  // Puts the finished installer (the written file or its spare) in place.
  bool Commit(const fs::path& finished, std::string& error) {
    std::error_code ec;
    fs::rename(finished, output_, ec);
    if (ec) {
      error = PathToUtf8(output_) + ": cannot put the installer in place: " + ec.message();
      return false;
    }
    if (finished == spare_) fs::remove(path_, ec);
    committed_ = true;
    return true;
  }

 private:
  fs::path output_;
  fs::path path_;
  fs::path spare_;
  std::ofstream stream_;
  bool committed_ = false;
};

// Gathers the package's many small writes (three per entry) into pieces of
// kOutputBuffer bytes, so that the stream makes few system calls.
class StreamSink : public ByteSink {
 public:
  StreamSink(std::ofstream& out, std::int64_t start) : out_(out), position_(start) { buffer_.reserve(kOutputBuffer); }
  bool Write(const void* data, std::size_t size) override {
    if (buffer_.size() + size > kOutputBuffer && !Flush()) return false;
    const char* bytes = static_cast<const char*>(data);
    if (size >= kOutputBuffer) {
      out_.write(bytes, static_cast<std::streamsize>(size));
      if (!out_) return false;
    } else {
      buffer_.insert(buffer_.end(), bytes, bytes + size);
    }
    position_ += static_cast<std::int64_t>(size);
    return true;
  }
  std::int64_t Position() const override { return position_; }
  // Hands what is gathered to the stream; false when the stream failed.
  bool Flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
    return static_cast<bool>(out_);
  }

 private:
  std::ofstream& out_;
  std::int64_t position_;
  std::vector<char> buffer_;
};

// Copies the stub into the output; false with *error naming the stub.
bool CopyStub(const fs::path& stub, std::ofstream& out, std::uint64_t& size, std::vector<std::string>& warnings,
              std::string& error) {
  std::error_code ec;
  if (stub.empty()) {
    error = "no installer program to build on: pass --stub";
    return false;
  }
  if (!fs::is_regular_file(stub, ec)) {
    error = PathToUtf8(stub) + ": the installer program (stub) does not exist or is not a file";
    return false;
  }
  std::ifstream in(stub, std::ios::binary);
  if (!in) {
    error = PathToUtf8(stub) + ": cannot open the installer program (stub)";
    return false;
  }
  std::vector<char> buffer(1u << 20);
  size = 0;
  char head[2] = {0, 0};
  for (;;) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    std::streamsize got = in.gcount();
    if (in.bad()) {
      error = PathToUtf8(stub) + ": cannot read the installer program (stub)";
      return false;
    }
    if (got <= 0) break;
    if (size == 0 && got >= 2) std::memcpy(head, buffer.data(), 2);
    out.write(buffer.data(), got);
    size += static_cast<std::uint64_t>(got);
    if (!out) {
      error = "cannot write the installer";
      return false;
    }
  }
  if (head[0] != 'M' || head[1] != 'Z') {
    warnings.push_back(PathToUtf8(stub) +
                       ": the stub is not a Windows program (no MZ header); the result will not run");
  }
  return true;
}

// True when path lies below folder (both taken with links resolved as far as they exist).
bool IsInside(const fs::path& path, const fs::path& folder) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
  const fs::path f = fs::weakly_canonical(fs::absolute(folder, ec), ec);
  if (ec) return false;
  const fs::path rel = p.lexically_relative(f);
  return !rel.empty() && *rel.begin() != ".." && rel != ".";
}

std::uint64_t ShortcutBytes(const Manifest& m) {
  std::uint64_t bytes = 0;
  for (const ManifestShortcut& s : m.shortcuts) {
    bytes += sizeof(ShortcutHeader) + s.menu.size() + s.target.size() + s.description.size();
  }
  return bytes;
}

class Builder {
 public:
  Builder(const BuildOptions& options, BuildResult& result, std::string& error)
      : options_(options), result_(result), error_(error) {}

  bool Run() {
    Manifest m;
    if (!LoadManifest(options_.manifest, m, error_)) return false;
    // A signing command on the command line replaces the manifest's.
    const SignCommand& sign = options_.sign.words.empty() ? m.sign : options_.sign;

    std::vector<SourceItem> items;
    std::string why;
    if (!WalkSourceTree(m.source, WalkLimits{options_.maxFileSize}, items, why)) {
      return Fail("files.source: " + why);
    }
    UninstallerEmbed uninstaller;
    std::vector<std::string> embedWarnings;
    if (m.uninstaller &&
        !uninstaller.Add(m, options_.uninstaller.empty() ? DefaultUninstallerPath(options_.stub) : options_.uninstaller,
                         items, embedWarnings, error_))
      return false;
    result_.warnings = CheckManifest(m, items);
    result_.warnings.insert(result_.warnings.end(), embedWarnings.begin(), embedWarnings.end());
    if (std::string signedRecord = SignedRecordFileWarning(m, items); !signedRecord.empty())
      result_.warnings.push_back(std::move(signedRecord));

    std::string picture, agreement;
    if (!m.picture.empty() && !ReadWholeFile(m.picture, picture, why)) return Fail("product.picture: " + why);
    if (!m.license.empty() && !LoadAgreementText(m.license, agreement, why)) return Fail("product.license: " + why);
    std::vector<std::uint8_t> agreementBlob;
    if (!agreement.empty()) {
      agreementBlob = MakeDataBlob(agreement.data(), agreement.size());
      if (agreementBlob.empty()) return Fail(PathToUtf8(m.license) + ": the licence text cannot be compressed");
    }

    result_.output = options_.output.empty() ? DefaultOutputPath(m.output, m.texts.productName) : options_.output;
    if (IsInside(result_.output, m.source)) {
      result_.warnings.push_back(PathToUtf8(result_.output) +
                                 ": the installer lies inside files.source; the next build would package it");
    }
    if (result_.output.has_parent_path()) {
      std::error_code ec;
      fs::create_directories(result_.output.parent_path(), ec);
      if (ec)
        return Fail(PathToUtf8(result_.output.parent_path()) + ": cannot create the output folder: " + ec.message());
    }
    TemporaryOutput temp(result_.output);
    if (!temp.Open()) return Fail(PathToUtf8(temp.Path()) + ": cannot create the installer file");

    std::uint64_t stubSize = 0;
    if (!CopyStub(options_.stub, temp.Stream(), stubSize, result_.warnings, error_)) return false;
    StreamSink sink(temp.Stream(), static_cast<std::int64_t>(stubSize));
    PackageWriter writer(sink);
    if (!writer.WriteInfo(m.texts, m.mainProgram, m.recordFile)) return WriterFailed(writer);
    if (!picture.empty() && !writer.WritePicture(picture.data(), picture.size())) return WriterFailed(writer);
    if (!writer.WriteAgreement(agreementBlob)) return WriterFailed(writer);
    if (!WriteEntries(items, sink, writer)) return false;

    const std::uint64_t end = static_cast<std::uint64_t>(sink.Position()) + ShortcutBytes(m) + sizeof(PackageTrailer);
    if (end > options_.maxInstallerSize) return TooLarge("the start-menu entries");
    for (const ManifestShortcut& s : m.shortcuts) {
      if (!writer.AddShortcut(s.menu, s.target, s.description)) return WriterFailed(writer);
    }
    if (!writer.Finish()) return WriterFailed(writer);
    if (!sink.Flush()) return Fail(PathToUtf8(temp.Path()) + ": cannot write the installer");
    result_.installerSize = static_cast<std::uint64_t>(sink.Position());
    result_.packageSize = result_.installerSize - stubSize;
    if (!temp.Close(error_)) return false;
    if (sign.words.empty()) return temp.Commit(temp.Path(), error_);

    fs::path signedFile;
    if (!SignInstaller(sign, temp.Path(), temp.SparePath(), signedFile, error_)) return false;
    std::error_code ec;
    result_.installerSize = fs::file_size(signedFile, ec);
    result_.signedInstaller = true;
    return temp.Commit(signedFile, error_);
  }

 private:
  bool Fail(std::string message) {
    error_ = std::move(message);
    return false;
  }
  bool WriterFailed(const PackageWriter& writer) {
    return Fail("cannot write the package: " + (writer.Error().empty() ? std::string("write failed") : writer.Error()));
  }
  bool TooLarge(const std::string& what) {
    return Fail("the installer would pass " + std::to_string(options_.maxInstallerSize) +
                " bytes (the package format's offsets are signed 32-bit) at " + what);
  }

  bool WriteEntries(const std::vector<SourceItem>& items, StreamSink& sink, PackageWriter& writer) {
    std::vector<CompressJob> jobs;
    std::uint64_t total = 0;
    for (const SourceItem& item : items) {
      if (!item.folder) {
        jobs.push_back({item.path, item.size});
        total += item.size;
      }
    }
    int threads = options_.threads;
    if (threads <= 0) threads = static_cast<int>(std::thread::hardware_concurrency());
    if (threads <= 0) threads = 1;
    if (threads > kMaxThreads) threads = kMaxThreads;
    // Nothing compressed yet: the progress starts at 0 before the first file is read.
    if (options_.progress) options_.progress(0, total);
    CompressPipeline pipeline(std::move(jobs), threads, options_.maxFileSize, options_.memoryBudget);

    std::uint64_t done = 0;
    std::vector<std::uint8_t> blob;
    std::string why;
    for (const SourceItem& item : items) {
      if (item.folder) {
        if (static_cast<std::uint64_t>(sink.Position()) + sizeof(EntryHeader) + item.name.size() +
                sizeof(PackageTrailer) >
            options_.maxInstallerSize) {
          return TooLarge(item.name);
        }
        if (!writer.AddFolder(item.name)) return WriterFailed(writer);
        ++result_.folders;
        continue;
      }
      if (!pipeline.Next(blob, why)) return Fail(why);
      if (static_cast<std::uint64_t>(sink.Position()) + sizeof(EntryHeader) + item.name.size() + blob.size() +
              sizeof(PackageTrailer) >
          options_.maxInstallerSize) {
        return TooLarge(item.name);
      }
      if (!writer.AddFile(item.name, blob)) return WriterFailed(writer);
      ++result_.files;
      done += item.size;
      result_.sourceBytes = done;
      if (options_.progress) options_.progress(done, total);
    }
    result_.compressWaitSeconds = pipeline.WaitSeconds();
    return true;
  }

  const BuildOptions& options_;
  BuildResult& result_;
  std::string& error_;
};

}  // namespace

fs::path DefaultOutputPath(const fs::path& manifestOutput, const std::string& productName) {
  if (!manifestOutput.empty()) return manifestOutput;
  return Utf8ToPath(productName + "-setup.exe");
}

bool BuildInstaller(const BuildOptions& options, BuildResult& result, std::string& error) {
  result = BuildResult();
  Builder builder(options, result, error);
  return builder.Run();
}

}  // namespace builder
