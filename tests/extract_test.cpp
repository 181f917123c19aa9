// Resource extraction on real files: exact output for every size around the
// 65535-byte pass, every decompression failure with its exact text, release of
// the file and the stream after a failure, a disk that fills mid-file, and
// thousands of damaged copies of a real payload stream.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "file_layer_support.h"
#include "install/config.h"
#include "install/extract.h"
#include "install/payload.h"
#include "install/zstream.h"
#include "resources/resource.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

using test::ExpectThrows;

const int32_t kFail = static_cast<int32_t>(E_FAIL);
// Damaged copies of the payload stream tried by the robustness test.
constexpr int kMutations = 10000;

std::string Failure(const char* stage, int result) {
  return "Compresion/decompresion error: " + std::string(stage) + " (" + std::to_string(result) + ")";
}

class ExtractTest : public ::testing::Test {
 protected:
  void Extract(const std::string& stream) {
    g_setupConfig.InflateResourceToFile(stream.data(), static_cast<uint32_t>(stream.size()), target_.c_str());
  }
  // The target is neither open nor locked: it can be had for exclusive writing.
  bool Released() {
    HANDLE h = CreateFileA(target_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
  }
  test::ScratchDir dir_{"extract_test"};
  test::QuietFileErrors quiet_{1};  // as during an installation
  std::string target_ = dir_ / "out.bin";
};

TEST_F(ExtractTest, ExactBytesForEverySize) {
  struct Case {
    size_t size;
    int level;  // 0: stored blocks, so that the stream ends right after the data
  } cases[] = {{0, 9},      {1, 9},      {65534, 9}, {65535, 9}, {65535, 0}, {65536, 9},
               {131070, 9}, {131070, 0}, {196605, 1}, {3 * 1024 * 1024 + 7, 6}};
  ASSERT_TRUE(test::WriteWholeFile(target_, std::string(5 * 1024 * 1024, 'o'))) << "a longer file to replace";
  DWORD handles = test::HandleCount();
  for (const Case& c : cases) {
    SCOPED_TRACE("size " + std::to_string(c.size) + " level " + std::to_string(c.level));
    std::string data = c.size % 2 ? test::PseudoText(c.size, 11) : test::PseudoRandom(c.size, 12);
    Extract(test::ZlibCompress(data, c.level));
    EXPECT_TRUE(test::ReadWholeFile(target_) == data);
  }
  // Whatever follows the end of the stream is not read.
  std::string data = test::PseudoText(70000, 13);
  Extract(test::ZlibCompress(data) + std::string(1000, '\x78'));
  EXPECT_TRUE(test::ReadWholeFile(target_) == data);
  EXPECT_EQ(test::HandleCount(), handles);
}

TEST_F(ExtractTest, DamagedStreamsFailWithTheirStageAndResult) {
  std::string data = test::PseudoRandom(200000, 21);  // little to compress: cuts fall mid-data
  std::string stream = test::ZlibCompress(data);
  // Input used up: -5 in the first pass that makes no progress; earlier passes stay.
  struct Cut {
    size_t length;
    size_t at_least;  // bytes the file must keep
  } cuts[] = {{0, 0}, {1, 0}, {2, 0}, {stream.size() / 2, 65535}, {stream.size() - 1, data.size()}};
  for (const Cut& cut : cuts) {
    SCOPED_TRACE("cut at " + std::to_string(cut.length));
    ExpectThrows([&] { Extract(stream.substr(0, cut.length)); }, kFail, Failure("data inflation", -5).c_str(),
                 false);
    std::string kept = test::ReadWholeFile(target_);
    EXPECT_GE(kept.size(), cut.at_least);
    EXPECT_TRUE(kept == data.substr(0, kept.size())) << "a prefix of the data";
  }
  ExpectThrows([&] { g_setupConfig.InflateResourceToFile(nullptr, 0, target_.c_str()); }, kFail,
               Failure("data inflation", -5).c_str(), false);

  // A wrong Adler-32: -3 in the pass that reads it, and that pass is not written.
  std::string text = test::PseudoText(100000, 22);
  std::string bad = test::ZlibCompress(text);
  bad.back() ^= 1;
  ExpectThrows([&] { Extract(bad); }, kFail, Failure("data inflation", -3).c_str(), false);
  EXPECT_TRUE(test::ReadWholeFile(target_) == text.substr(0, 65535)) << "only the first, complete pass";
  bad = test::ZlibCompress("short");
  bad.back() ^= 1;
  ExpectThrows([&] { Extract(bad); }, kFail, Failure("data inflation", -3).c_str(), false);
  EXPECT_EQ(test::ReadWholeFile(target_), "");
  ExpectThrows([&] { Extract(std::string(4, '\0') + stream); }, kFail, Failure("data inflation", -3).c_str(),
               false);

  // A stream made with a preset dictionary asks for it: a positive result raises too.
  z_stream deflater = {};
  ASSERT_EQ(deflateInit(&deflater, 9), Z_OK);
  const char dictionary[] = "murkle lantern marsh";
  deflateSetDictionary(&deflater, reinterpret_cast<const Bytef*>(dictionary), sizeof dictionary - 1);
  std::string input = test::PseudoText(1000, 23), with_dictionary(2000, '\0');
  deflater.next_in = reinterpret_cast<Bytef*>(&input[0]);
  deflater.avail_in = static_cast<uInt>(input.size());
  deflater.next_out = reinterpret_cast<Bytef*>(&with_dictionary[0]);
  deflater.avail_out = static_cast<uInt>(with_dictionary.size());
  ASSERT_EQ(deflate(&deflater, Z_FINISH), Z_STREAM_END);
  with_dictionary.resize(deflater.total_out);
  deflateEnd(&deflater);
  ExpectThrows([&] { Extract(with_dictionary); }, kFail, Failure("data inflation", 2).c_str(), false);
  EXPECT_EQ(test::ReadWholeFile(target_), "");
  EXPECT_TRUE(Released());
}

TEST_F(ExtractTest, TheMessageIsOneProcessWideBuffer) {
  CheckInflateResult(Z_OK, "never shown");
  const char* first = nullptr;
  try {
    CheckInflateResult(Z_STREAM_ERROR, "ending inflation");
    ADD_FAILURE() << "no exception for Z_STREAM_ERROR";
  } catch (const EPlik&) {
    ADD_FAILURE() << "a decompression failure is no file failure";
  } catch (const EDowolny& e) {
    EXPECT_EQ(e.code, kFail);
    EXPECT_STREQ(e.message, "Compresion/decompresion error: ending inflation (-2)");
    first = e.message;
  }
  try {
    CheckInflateResult(Z_NEED_DICT, std::string(2000, 's').c_str());
    ADD_FAILURE() << "no exception for Z_NEED_DICT";
  } catch (const EDowolny& e) {
    EXPECT_EQ(e.message, first) << "the same buffer, overwritten";
    EXPECT_EQ(std::string(e.message), Failure(std::string(2000, 's').c_str(), 2).substr(0, 1023))
        << "an overlong text is cut to the 1024-byte buffer";
  }
}

// Starting and ending the stream fail only through zlib itself; the injected
// calls give zlib's real answers to a wrong version and to a second end.
int WrongVersion(z_streamp stream) noexcept { return inflateInit_(stream, "0.9.9", static_cast<int>(sizeof(z_stream))); }
int EndTwice(z_streamp stream) noexcept {
  inflateEnd(stream);
  return inflateEnd(stream);
}
int g_ends = 0;
int CountedEnd(z_streamp stream) noexcept {
  ++g_ends;
  return inflateEnd(stream);
}
BOOL WINAPI FailingSetEnd(HANDLE) { return SetLastError(ERROR_LOCK_VIOLATION), FALSE; }
int g_closes = 0;
// The first close reports a failure, having closed its handle all the same (a
// close that could not flush the file does that).
BOOL WINAPI FailingFirstClose(HANDLE handle) {
  BOOL closed = CloseHandle(handle);
  if (g_closes++ == 0) return SetLastError(ERROR_LOCK_VIOLATION), FALSE;
  return closed;
}

// Replaces zlib's start and end for one test; the real ones come back after,
// whatever way the test leaves.
class InjectedInflateCalls {
 public:
  InjectedInflateCalls() : saved_(g_inflateCalls) {}
  ~InjectedInflateCalls() { g_inflateCalls = saved_; }
  InjectedInflateCalls(const InjectedInflateCalls&) = delete;
  InjectedInflateCalls& operator=(const InjectedInflateCalls&) = delete;
  const InflateCalls& real() const { return saved_; }

 private:
  InflateCalls saved_;
};

TEST_F(ExtractTest, AFailureReleasesFileAndStreamSoThatARetrySucceeds) {
  std::string data = test::PseudoText(150000, 31);
  std::string stream = test::ZlibCompress(data);
  InjectedInflateCalls injected_zlib;
  const InflateCalls& real_zlib = injected_zlib.real();
  test::InjectedFileCalls real_files;
  g_inflateCalls.end = CountedEnd;
  DWORD handles = test::HandleCount();

  struct Failing {
    const char* what;
    std::function<void()> inject;
    std::string input;
    int32_t code;
    std::string message;
    bool file_error;
    int ends;  // inflateEnd calls
  } failures[] = {
      {"truncated", [] {}, stream.substr(0, stream.size() / 2), kFail, Failure("data inflation", -5), false, 1},
      {"wrong version", [] { g_inflateCalls.init = WrongVersion; }, stream, kFail,
       Failure("initialization data inflation", -6), false, 0},
      {"end of file not set", [] { g_fileCalls.set_end_of_file = FailingSetEnd; }, stream, kFail,
       test::Cp1250(L"Nie mo\u017cna oznaczy\u0107 ko\u0144ca pliku."), true, 1},
      {"not closed", [] { g_fileCalls.close_handle = FailingFirstClose; }, stream, kFail,
       test::Cp1250((L"Plik \"" + std::wstring(target_.begin(), target_.end()) +
                     L"\" nie da si\u0119 zamkn\u0105\u0107.").c_str()),
       true, 1},
  };
  for (const Failing& f : failures) {
    SCOPED_TRACE(f.what);
    g_ends = 0;
    g_closes = 0;
    f.inject();
    ExpectThrows([&] { Extract(f.input); }, f.code, f.message.c_str(), f.file_error);
    g_inflateCalls.init = real_zlib.init;
    g_fileCalls.set_end_of_file = SetEndOfFile;
    g_fileCalls.close_handle = CloseHandle;
    EXPECT_EQ(g_ends, f.ends) << "a started stream is ended once";
    EXPECT_EQ(test::HandleCount(), handles) << "the file handle is closed";
    EXPECT_TRUE(Released());
    Extract(stream);  // the same target again, in the same process
    EXPECT_TRUE(test::ReadWholeFile(target_) == data);
  }

  // A failure to end the stream is raised although the file is complete and closed.
  g_inflateCalls.end = EndTwice;
  ExpectThrows([&] { Extract(stream); }, kFail, Failure("ending inflation", -2).c_str(), false);
  g_inflateCalls = real_zlib;
  EXPECT_TRUE(Released());
  EXPECT_TRUE(test::ReadWholeFile(target_) == data);
  EXPECT_EQ(test::HandleCount(), handles);

  // A target that cannot be created: the file object's failure.
  target_ = dir_ / "missing\\out.bin";
  ExpectThrows([&] { Extract(stream); }, 82, nullptr);
}

// Damaged copies of the build's own packed licence: every one ends in the exact
// original bytes or in an exception, never in a crash or a handle left open.
TEST_F(ExtractTest, MutatedPayloadStreams) {
  PayloadBytes packed;
  ASSERT_TRUE(FindPayload(GetModuleHandleA(nullptr), kAgreementResource, &packed));
  const std::string original(reinterpret_cast<const char*>(packed.data), packed.size);
  const std::string licence = test::ReadWholeFile(test::JoinPath(TEST_PAYLOAD_DIR, "licence.txt"));
  Extract(original);
  ASSERT_TRUE(test::ReadWholeFile(target_) == licence) << "the unchanged stream";

  std::string noise = test::PseudoRandom(kMutations * 16, 41);
  uint32_t state = 0x9e3779b9;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  int intact = 0, failed = 0;
  DWORD handles = test::HandleCount();
  for (int i = 0; i < kMutations; ++i) {
    std::string mutated = original;
    size_t at = next() % mutated.size();
    switch (i % 4) {
      case 0:  // one to three bit flips
        for (uint32_t k = 0, n = 1 + next() % 3; k < n; ++k) mutated[next() % mutated.size()] ^= 1 << (next() % 8);
        break;
      case 1:  // truncation
        mutated.resize(at);
        break;
      case 2:  // insertion of 1 to 16 bytes
        mutated.insert(at, noise, static_cast<size_t>(i) * 16, 1 + next() % 16);
        break;
      default:  // a run of bytes removed
        mutated.erase(at, 1 + next() % 16);
        break;
    }
    try {
      Extract(mutated);
      std::string out;
      if (!test::ReadWholeFile(target_, &out) || out != licence) {
        ADD_FAILURE() << "mutation " << i << " gave other bytes without a failure";
        break;
      }
      ++intact;
    } catch (const EDowolny&) {
      ++failed;
    }
  }
  EXPECT_EQ(test::HandleCount(), handles);
  EXPECT_EQ(intact + failed, kMutations);
  EXPECT_GT(failed, kMutations / 2) << "most damage is found";
  RecordProperty("intact", intact);
}

// A real disk that fills mid-file (T: is 1 MiB): the write that reaches the end
// of the space is short, the one after it fails with ERROR_DISK_FULL.
class ExtractFullDiskTest : public test::DriveT {
 protected:
  test::QuietFileErrors quiet_{1};
  std::string data_ = test::PseudoRandom(2 * 1024 * 1024, 51);
};

TEST_F(ExtractFullDiskTest, TheShortWriteIsAskedThenTheDiskIsFull) {
  std::string stream = test::ZlibCompress(data_);
  ULONGLONG empty = FreeBytes();
  DWORD handles = test::HandleCount();
  struct Answer {
    int answer;
    int32_t code;
    std::string message;
    DWORD last_error;
  } answers[] = {
      {IDRETRY, kFail, test::Cp1250(L"B\u0142\u0105d zapisu do pliku."), ERROR_DISK_FULL},
      {IDCANCEL, ERROR_HANDLE_EOF, "Nie udany zapis wszystkich danych.", 0},
  };
  for (const Answer& a : answers) {
    SCOPED_TRACE("answer " + std::to_string(a.answer));
    test::BoxAnswers boxes({a.answer});
    ExpectThrows(
        [&] {
          g_setupConfig.InflateResourceToFile(stream.data(), static_cast<uint32_t>(stream.size()), "T:\\big.bin");
        },
        a.code, a.message.c_str());
    if (a.last_error) {
      EXPECT_EQ(GetLastError(), a.last_error);
    }
    const auto& seen = boxes.Finish();
    ASSERT_EQ(seen.size(), 1u) << "the short-write question, even in quiet mode";
    EXPECT_EQ(seen[0].text, test::Cp1250(L"Nie daje si\u0119 zapisa\u0107 wszystkich danych. Powt\u00f3rzy\u0107?"));
    EXPECT_EQ(test::HandleCount(), handles);
    std::string kept = test::ReadWholeFile("T:\\big.bin");
    EXPECT_GT(kept.size(), 900u * 1024u) << "the disk was filled";
    EXPECT_TRUE(kept == data_.substr(0, kept.size())) << "what fit is the start of the data";
    EXPECT_TRUE(DeleteFileA("T:\\big.bin")) << "released, error " << GetLastError();
    EXPECT_EQ(FreeBytes(), empty);
  }
}

}  // namespace
