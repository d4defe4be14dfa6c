// The text-message settings in the settings file: the password goes in
// obscured, and the file is private to its owner afterwards, whatever mode
// it had before.
#include "app/mainframe/messagesettings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/system/registry.h"
#include "sms_fixture.h"

namespace {

TEST(MessageSettingsFile, APasswordLeavesTheSettingsFilePrivateWhateverItsModeWas) {
  struct Case {
    const char* what;
    mode_t before;  // 0: no file yet
  };
  const Case cases[] = {{"new file", 0}, {"readable by all", 0644}, {"group writable", 0664}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    smstest::SettingsHome settings_home;
    const std::string file = settings_home.home().ConfigDir() + "/registry.txt";
    if (c.before) {
      // A settings file another version left behind, before any password.
      CMessageSettings plain;
      plain.m_userName = u"ann";
      plain.Save();
      ASSERT_EQ(pv::FlushRegistry(), ERROR_SUCCESS);
      ASSERT_EQ(::chmod(file.c_str(), c.before), 0);
    }
    CMessageSettings settings = CMessageSettings::Load();
    settings.m_userName = u"ann";
    settings.m_userPwd = u"s3cret";
    settings.Save();
    ASSERT_EQ(pv::FlushRegistry(), ERROR_SUCCESS);

    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("s3cret"), std::string::npos);
    EXPECT_EQ(CMessageSettings::Load().m_userPwd, CString(u"s3cret"));
  }
}

}  // namespace
