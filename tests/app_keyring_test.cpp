// The desktop keyring through libsecret, in a private D-Bus session with a
// throw-away keyring (tests/run_keyring_test.sh); on Windows the Credential
// Manager of the test's own wine prefix.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/keyring.h"

namespace fennimar {
namespace {

TEST(KeyringTest, PasswordsAreKeptPerUserAndServerReplacedAndCleared) {
  EXPECT_EQ(LookupSmtpPassword("jane", "mail.example.org:587").error().Reason(),
            "none is stored in the keyring");
  ASSERT_TRUE(StoreSmtpPassword("jane", "mail.example.org:587", "first secret"));
  ASSERT_TRUE(StoreSmtpPassword("john", "mail.example.org:587", "john's"));
  ASSERT_TRUE(StoreSmtpPassword("jane", "mail.example.org:587", "p\xc3\xa4ss w\xc3\xb6rd"));
  EXPECT_EQ(*LookupSmtpPassword("jane", "mail.example.org:587"), "p\xc3\xa4ss w\xc3\xb6rd");
  EXPECT_EQ(*LookupSmtpPassword("john", "mail.example.org:587"), "john's");
  EXPECT_FALSE(LookupSmtpPassword("jane", "other.example.org"));
  // User names keep their case, though the Credential Manager's names do not.
  EXPECT_FALSE(LookupSmtpPassword("JANE", "mail.example.org:587"));
  EXPECT_TRUE(ClearSmtpPassword("JANE", "mail.example.org:587"));
  EXPECT_EQ(*LookupSmtpPassword("jane", "mail.example.org:587"), "p\xc3\xa4ss w\xc3\xb6rd");
  EXPECT_TRUE(ClearSmtpPassword("jane", "mail.example.org:587"));
  EXPECT_FALSE(LookupSmtpPassword("jane", "mail.example.org:587"));
  EXPECT_EQ(*LookupSmtpPassword("john", "mail.example.org:587"), "john's");
}

// The terminal's lookup finds what is stored and never waits on a keyring
// that is not there.
TEST(KeyringTest, ImapPasswordsAreFoundOrGivenUpAtOnce) {
  ASSERT_TRUE(StoreImapPassword("jane", "imap.example.org:993", "imap secret"));
  EXPECT_EQ(*LookupImapPassword("jane", "imap.example.org:993", 5000), "imap secret");
  EXPECT_FALSE(LookupSmtpPassword("jane", "imap.example.org:993"));
#ifndef _WIN32
  std::string bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  EXPECT_EQ(LookupImapPassword("jane", "imap.example.org:993", 5000).error().Reason(),
            "no desktop session");
  ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
#endif
}

}  // namespace
}  // namespace fennimar
