// The desktop keyring through libsecret, in a private D-Bus session with a
// throw-away keyring (tests/run_keyring_test.sh).
#include <gtest/gtest.h>

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
  EXPECT_TRUE(ClearSmtpPassword("jane", "mail.example.org:587"));
  EXPECT_FALSE(LookupSmtpPassword("jane", "mail.example.org:587"));
  EXPECT_EQ(*LookupSmtpPassword("john", "mail.example.org:587"), "john's");
}

}  // namespace
}  // namespace fennimar
