#include "ui/message_text.h"

#include <gtest/gtest.h>

namespace fennimar {
namespace {

TEST(MessageTextTest, DisplayTextLeavesNoControlCharacterNorBrokenUtf8) {
  struct Case {
    std::string text, shown;
  };
  const Case cases[] = {
      {"Merge Complete\nREPORT.DOC", "Merge Complete\nREPORT.DOC"},
      {"550 \x1b]0;PWNED\x07\x1b[2J", "550 ?]0;PWNED??[2J"},
      {std::string("tab\tcr\rdel\x7f nul\0", 16), "tab?cr?del? nul?"},
      {"Gr\xc3\xbc\xc3\x9f \xe2\x82\xac \xf0\x9f\x93\x81",
       "Gr\xc3\xbc\xc3\x9f \xe2\x82\xac \xf0\x9f\x93\x81"},
      {"C1 \xc2\x9b"
       "2J and \x9b"
       "2J",
       "C1 ??2J and ?2J"},
      {"overlong \xc0\xaf, cut \xe2\x82, surrogate \xed\xa0\x80",
       "overlong ??, cut ??, surrogate ???"},
  };
  for (const Case& c : cases) EXPECT_EQ(DisplayText(c.text), c.shown) << c.text;
}

}  // namespace
}  // namespace fennimar
