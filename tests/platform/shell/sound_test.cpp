#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <dlfcn.h>
#include <unistd.h>

#include "platform/base/utf.h"
#include "platform/base/lasterror.h"
#include "platform/shell/mmsystem.h"
#include "platform/window/sdl_library.h"
#include "tests/support/temp_home.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// One folder for the program's sound files, removed when it ends.
std::string TempFolder() {
  static pvtest::TempFolder folder("pv-sound");
  return folder.path();
}

void Put16(std::string& s, uint16_t v) {
  s += char(v & 0xFF);
  s += char(v >> 8);
}
void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF);
}

// A mono 16-bit PCM WAV of `frames` samples.
std::string Wav(int rate, int frames) {
  std::string data;
  for (int i = 0; i < frames; ++i) Put16(data, static_cast<uint16_t>((i % 50) * 600));
  std::string s = "RIFF";
  Put32(s, 36 + static_cast<uint32_t>(data.size()));
  s += "WAVEfmt ";
  Put32(s, 16);
  Put16(s, 1);
  Put16(s, 1);
  Put32(s, rate);
  Put32(s, rate * 2);
  Put16(s, 2);
  Put16(s, 16);
  s += "data";
  Put32(s, static_cast<uint32_t>(data.size()));
  return s + data;
}

std::string WriteFile(const std::string& name, const std::string& bytes) {
  std::string path = TempFolder() + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

std::u16string U(const std::string& s) { return pv::Utf8ToUtf16(s); }

TEST(Sound, WavFilesAreDecodedAndRecorded) {
  pv::sound::ClearRequests();
  std::string good = WriteFile("pop.wav", Wav(22050, 2205));
  std::string wav = Wav(8000, 100);
  std::string truncated = WriteFile("cut.wav", wav.substr(0, 30));
  std::string notWav = WriteFile("text.wav", "this is not a sound");
  std::string missing = TempFolder() + "/missing.wav";

  struct Case {
    std::string path;
    UINT flags;
    BOOL result;
    bool decoded;
  };
  const Case cases[] = {
      {good, SND_ASYNC, TRUE, true},        {good, SND_ASYNC | SND_FILENAME, TRUE, true},
      {missing, SND_ASYNC, FALSE, false},   {missing, SND_ASYNC | SND_NODEFAULT, FALSE, false},
      {truncated, SND_ASYNC, FALSE, false}, {notWav, SND_ASYNC, FALSE, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sndPlaySoundW(U(c.path).c_str(), c.flags), c.result) << c.path;
  }
  auto reqs = pv::sound::Requests();
  ASSERT_EQ(reqs.size(), std::size(cases));
  for (size_t i = 0; i < reqs.size(); ++i) {
    EXPECT_EQ(reqs[i].name, U(cases[i].path));
    EXPECT_EQ(reqs[i].flags, cases[i].flags);
    EXPECT_EQ(reqs[i].decoded, cases[i].decoded) << cases[i].path;
    EXPECT_FALSE(reqs[i].stop);
  }
  EXPECT_EQ(reqs[0].sampleRate, 22050);
  EXPECT_EQ(reqs[0].channels, 1);
  EXPECT_EQ(reqs[0].bytes, 2205u * 2);
  EXPECT_TRUE(PlaySoundW(nullptr, nullptr, SND_PURGE));
  EXPECT_TRUE(pv::sound::Requests().back().stop);
}

// The menu sounds play on a thread of the program's own: when it ends it
// leaves nothing of the sound library behind, whether its sounds played,
// failed or were stopped.
TEST(Sound, AThreadPlayingMenuSoundsLeavesNothingBehind) {
  pv::sound::ClearRequests();
  pv::sound::SetAliasFile(u"MenuCommand", WriteFile("command.wav", Wav(8000, 400)));
  const std::u16string missing = U(TempFolder() + "/no-such-sound.wav");
  std::thread menuSounds([&] {
    PlaySoundW(u"MenuCommand", nullptr, SND_ALIAS | SND_NOWAIT | SND_NODEFAULT);
    PlaySoundW(missing.c_str(), nullptr, SND_FILENAME | SND_NOWAIT | SND_NODEFAULT);
    PlaySoundW(nullptr, nullptr, SND_PURGE);
  });
  menuSounds.join();
  pv::sound::SetAliasFile(u"MenuCommand", "");
  auto reqs = pv::sound::Requests();
  ASSERT_EQ(reqs.size(), 3u);
  EXPECT_TRUE(reqs[0].decoded);
  EXPECT_FALSE(reqs[1].decoded);
  EXPECT_TRUE(reqs[2].stop);
#if defined(__SANITIZE_ADDRESS__)
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
}

TEST(Sound, AliasesAndTheDefaultSound) {
  pv::sound::ClearRequests();
  std::string click = WriteFile("click.wav", Wav(11025, 300));
  std::string ding = WriteFile("ding.wav", Wav(16000, 300));
  // No system sounds are mapped: a menu sound is asked for and fails quietly.
  EXPECT_FALSE(PlaySoundW(u"MenuCommand", nullptr, SND_ALIAS | SND_NODEFAULT | SND_NOWAIT));
  pv::sound::SetAliasFile(u"MenuCommand", click);
  EXPECT_TRUE(PlaySoundW(u"menucommand", nullptr, SND_ALIAS | SND_NODEFAULT | SND_NOWAIT));
  // A missing file without SND_NODEFAULT plays the default sound instead.
  pv::sound::SetAliasFile(u"SystemDefault", ding);
  EXPECT_TRUE(sndPlaySoundW(u"/nowhere/gone.wav", SND_ASYNC));
  EXPECT_FALSE(sndPlaySoundW(u"/nowhere/gone.wav", SND_ASYNC | SND_NODEFAULT));
  // Windows-style separators, even doubled ones, find the file.
  std::string back = click;
  for (auto& ch : back)
    if (ch == '/') ch = '\\';
  std::string doubled;
  for (char ch : back) {
    doubled += ch;
    if (ch == '\\') doubled += '\\';
  }
  EXPECT_TRUE(sndPlaySoundW(U(doubled).c_str(), SND_ASYNC));

  auto reqs = pv::sound::Requests();
  ASSERT_EQ(reqs.size(), 5u);
  EXPECT_EQ(reqs[0].file, "");
  EXPECT_EQ(reqs[1].file, click);
  EXPECT_EQ(reqs[1].sampleRate, 11025);
  EXPECT_EQ(reqs[2].file, ding);
  EXPECT_EQ(reqs[2].sampleRate, 16000);
  EXPECT_FALSE(reqs[3].decoded);
  EXPECT_EQ(reqs[4].file, click);
  pv::sound::SetAliasFile(u"MenuCommand", "");
  pv::sound::SetAliasFile(u"SystemDefault", "");
  EXPECT_TRUE(PlaySoundW(nullptr, nullptr, 0));
}

// 0 when SDL is opened by the first sound and not before it; another value
// names what went wrong.
int FirstSoundCheck() {
  const std::string pop = WriteFile("first.wav", Wav(8000, 80));
  if (dlopen("libSDL2-2.0.so.0", RTLD_NOLOAD | RTLD_LAZY)) return 1;
  if (!sndPlaySoundW(U(pop).c_str(), SND_ASYNC | SND_NODEFAULT)) return 2;
  if (!dlopen("libSDL2-2.0.so.0", RTLD_NOLOAD | RTLD_LAZY)) return 3;
  return pv::sound::Requests().back().decoded ? 0 : 4;
}

// 0 when every sound fails cleanly, saying why, with a library that cannot
// be loaded.
int MissingLibraryCheck() {
  pv::test::UseSdlLibrary("libpravenor-no-such-library.so");
  const std::string pop = WriteFile("missing-library.wav", Wav(8000, 80));
  pv::sound::SetAliasFile(u"SystemDefault", pop);
  for (UINT flags : {UINT{SND_ASYNC}, UINT{SND_SYNC}, UINT{SND_ASYNC | SND_NODEFAULT}}) {
    ::SetLastError(0);
    if (sndPlaySoundW(U(pop).c_str(), flags)) return 1;
    if (::GetLastError() != ERROR_MOD_NOT_FOUND) return 2;
    const pv::sound::Request r = pv::sound::Requests().back();
    if (r.file != pop || r.decoded) return 3;
  }
  if (!PlaySoundW(nullptr, nullptr, SND_PURGE)) return 4;  // nothing plays, so stopping succeeds
  return 0;
}

TEST(SoundDeathTest, TheLibraryIsOpenedByTheFirstSoundAndItsAbsenceIsAnError) {
  // Fresh processes: no other test has played a sound there.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(FirstSoundCheck()), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(std::_Exit(MissingLibraryCheck()), ::testing::ExitedWithCode(0),
              "no sound: cannot load libpravenor-no-such-library.so");
}

// A player made before the first sound (as the program's menu-sound player
// is) stops its sound while the process exits, after every later static is
// gone.
struct StopsAtExit {
  ~StopsAtExit() { PlaySoundW(nullptr, nullptr, SND_PURGE); }
};

[[noreturn]] void PlayThenExit(const std::string& wav) {
  static StopsAtExit player;
  PlaySoundW(U(wav).c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
  std::exit(0);
}

TEST(SoundDeathTest, ASoundMayBeStoppedWhileTheProcessExits) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string wav = WriteFile("exit.wav", Wav(8000, 400));
  EXPECT_EXIT(PlayThenExit(wav), ::testing::ExitedWithCode(0), "");
}

}  // namespace
