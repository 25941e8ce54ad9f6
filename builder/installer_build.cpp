#include "builder/installer_build.h"

#include <algorithm>
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
  // Bytes still gathered are changed in place; bytes already handed on are
  // overwritten in the file, which then goes on at its end.
  bool Patch(std::int64_t at, const void* data, std::size_t size) override {
    const std::int64_t gathered = position_ - static_cast<std::int64_t>(buffer_.size());
    if (at < 0 || at + static_cast<std::int64_t>(size) > position_) return false;
    if (at >= gathered) {
      std::memcpy(buffer_.data() + (at - gathered), data, size);
      return true;
    }
    if (!Flush()) return false;
    out_.seekp(at);
    out_.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out_.seekp(0, std::ios::end);
    return static_cast<bool>(out_);
  }
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

    // The threads compress the files listed so far while the listing goes
    // on, unless the uninstaller must first take its place among them (its
    // list names every entry).
    CompressPipeline pipeline(Settings());
    const auto add = [&pipeline](const SourceItem& item) { pipeline.Add({item.path, item.size}); };
    std::vector<SourceItem> items;
    std::string why;
    if (!WalkSourceTree(m.source, WalkLimits{options_.maxFileSize}, items, why,
                        m.uninstaller ? ListedFile() : ListedFile(add))) {
      return Fail("files.source: " + why);
    }
    UninstallerEmbed uninstaller;
    std::vector<std::string> embedWarnings;
    if (m.uninstaller) {
      if (!uninstaller.Add(m,
                           options_.uninstaller.empty() ? DefaultUninstallerPath(options_.stub) : options_.uninstaller,
                           items, embedWarnings, error_))
        return false;
      for (const SourceItem& item : items) {
        if (!item.folder) add(item);
      }
    }
    pipeline.Close();
    result_.warnings = CheckManifest(m, items);
    result_.warnings.insert(result_.warnings.end(), embedWarnings.begin(), embedWarnings.end());
    if (std::string signedRecord = SignedRecordFileWarning(m, items); !signedRecord.empty())
      result_.warnings.push_back(std::move(signedRecord));

    std::string picture, agreement;
    if (!m.picture.empty() && !ReadWholeFile(m.picture, picture, why)) return Fail("product.picture: " + why);
    if (!m.license.empty() && !LoadAgreementText(m.license, agreement, why)) return Fail("product.license: " + why);
    std::vector<std::uint8_t> agreementBlob;
    if (!agreement.empty() &&
        !BlobCompressor(options_.level).Compress(agreement.data(), agreement.size(), agreementBlob))
      return Fail(PathToUtf8(m.license) + ": the licence text cannot be compressed");

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
    if (!WriteEntries(items, pipeline, sink, writer)) return false;

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

  CompressSettings Settings() const {
    CompressSettings settings;
    settings.threads = options_.threads;
    if (settings.threads <= 0) settings.threads = static_cast<int>(std::thread::hardware_concurrency());
    settings.threads = std::clamp(settings.threads, 1, kMaxThreads);
    settings.level = options_.level;
    settings.maxFileSize = options_.maxFileSize;
    settings.memoryBudget = options_.memoryBudget;
    settings.oneShotLimit = options_.oneShotLimit;
    return settings;
  }

  bool WriteEntries(const std::vector<SourceItem>& items, CompressPipeline& pipeline, StreamSink& sink,
                    PackageWriter& writer) {
    std::uint64_t total = 0;
    for (const SourceItem& item : items) total += item.size;
    // Nothing written yet: the progress starts at 0.
    if (options_.progress) options_.progress(0, total);
    // Files streamed into the package are compressed here, on the writing thread.
    BlobCompressor streamer(options_.level);

    std::uint64_t done = 0;
    std::vector<std::uint8_t> blob;
    std::string why;
    for (const SourceItem& item : items) {
      if (item.folder) {
        if (!Fits(sink, sizeof(EntryHeader) + item.name.size())) return TooLarge(item.name);
        if (!writer.AddFolder(item.name)) return WriterFailed(writer);
        ++result_.folders;
        continue;
      }
      bool streamed = false;
      if (!pipeline.Next(blob, streamed, why)) return Fail(why);
      if (streamed) {
        if (!StreamFile(item, sink, writer, streamer)) return false;
      } else {
        if (!Fits(sink, sizeof(EntryHeader) + item.name.size() + blob.size())) return TooLarge(item.name);
        if (!writer.AddFile(item.name, blob)) return WriterFailed(writer);
      }
      ++result_.files;
      done += item.size;
      result_.sourceBytes = done;
      if (options_.progress) options_.progress(done, total);
    }
    result_.compressWaitSeconds = pipeline.WaitSeconds();
    return true;
  }

  // True when bytes more, and the trailer, stay within the installer's limit.
  bool Fits(const StreamSink& sink, std::uint64_t bytes) const {
    return static_cast<std::uint64_t>(sink.Position()) + bytes + sizeof(PackageTrailer) <= options_.maxInstallerSize;
  }

  // A file too large to hold: its stream goes into the package piece by
  // piece, and the entry's length and blob head are filled in at its end.
  bool StreamFile(const SourceItem& item, StreamSink& sink, PackageWriter& writer, BlobCompressor& compressor) {
    class Pieces : public PieceSink {
     public:
      Pieces(Builder& b, StreamSink& s, PackageWriter& w) : builder_(b), sink_(s), writer_(w) {}
      bool Write(const std::uint8_t* data, std::size_t size) override {
        if (!builder_.Fits(sink_, size)) {
          tooLarge = true;
          return false;
        }
        return writer_.AppendToFile(data, size);
      }
      bool tooLarge = false;

     private:
      Builder& builder_;
      StreamSink& sink_;
      PackageWriter& writer_;
    };
    if (!Fits(sink, sizeof(EntryHeader) + item.name.size() + kDataBlobHeadSize)) return TooLarge(item.name);
    if (!writer.BeginFile(item.name)) return WriterFailed(writer);
    Pieces pieces(*this, sink, writer);
    DataBlob head{};
    std::string why;
    if (!compressor.StreamFile(item.path, options_.maxFileSize, pieces, head, why)) {
      if (pieces.tooLarge) return TooLarge(item.name);
      return why.empty() ? WriterFailed(writer) : Fail(why);
    }
    if (!writer.EndFile(head)) return WriterFailed(writer);
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
