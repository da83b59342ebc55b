// User text in messages: nothing that acts on a terminal gets through, everything else shows as
// it is, and a long text is cut at a character.
#include "printable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using zvapp::Printable;

TEST(Printable, WhatActsOnATerminalIsEscaped) {
  // A formula as an attacker types it: a title change, a bell and a screen wipe.
  EXPECT_EQ(Printable("1\x1b]0;x\a\x1b[2J"), "1\\x1b]0;x\\x07\\x1b[2J");
  EXPECT_EQ(Printable(std::string("nul\0!", 5)), "nul\\x00!");
  EXPECT_EQ(Printable("del\x7f"), "del\\x7f");
  // C1: U+009B is a one-character escape introducer on some terminals; U+00A0 shows.
  EXPECT_EQ(Printable("\xc2\x9b"
                      "2J \xc2\x80 \xc2\xa0"),
            "\\xc2\\x9b2J \\xc2\\x80 \xc2\xa0");
  // A right-to-left override makes "gnp.exe" read as "exe.png"; an isolate hides likewise.
  EXPECT_EQ(Printable("a\xe2\x80\xae"
                      "b\xe2\x81\xa6"
                      "c"),
            "a\\xe2\\x80\\xaeb\\xe2\\x81\\xa6c");
  EXPECT_EQ(Printable("bad\xff\xe2\x82"), "bad\\xff\\xe2\\x82");
  EXPECT_EQ(zvapp::Quoted("a\tb"), "\"a\\x09b\"");
}

TEST(Printable, OrdinaryTextShowsAsItIs) {
  const std::string text = "Sin(x) * Cos(z) \xc3\xa4 \xe2\x82\xac \xe2\x80\x94 \xf0\x9f\x98\x80";
  EXPECT_EQ(Printable(text), text);
  EXPECT_EQ(Printable(""), "");
}

TEST(Printable, LongTextsAreCutAtACharacter) {
  EXPECT_EQ(Printable(std::string(1000, 'x')), std::string(300, 'x') + "...");
  EXPECT_EQ(Printable("abcdef", 3), "abc...");
  EXPECT_EQ(Printable("abc", 3), "abc");
  // The euro sign is three bytes: it is taken whole or not at all.
  EXPECT_EQ(Printable("a\xe2\x82\xac"
                      "b",
                      2),
            "a\xe2\x82\xac...");
}

}  // namespace
