// Fixed-format writer: field widths, rounding, overflow and format control.
#include <gtest/gtest.h>

#include "format/fixed_format.hpp"

namespace ff = kavro::ff;

TEST(FixedField, IntegerRightJustifiedOrAsterisks) {
  EXPECT_EQ(ff::field_i(230, 3), "230");
  EXPECT_EQ(ff::field_i(-5, 2), "-5");
  EXPECT_EQ(ff::field_i(1234, 3), "***");
  EXPECT_EQ(ff::field_i(-10, 2), "**");
}

TEST(FixedField, FixedPointRoundsExactBinaryValueHalfAwayFromZero) {
  // 0.125 and 0.5 are exact binary ties; 2.675f lies below 2.675.
  EXPECT_EQ(ff::field_f(0.125f, 8, 2), "    0.13");
  EXPECT_EQ(ff::field_f(-0.125f, 8, 2), "   -0.13");
  EXPECT_EQ(ff::field_f(0.5f, 6, 0), "    1.");
  EXPECT_EQ(ff::field_f(-0.5f, 6, 0), "   -1.");
  EXPECT_EQ(ff::field_f(2.675f, 8, 2), "    2.67");
  EXPECT_EQ(ff::field_f(1.540598f, 10, 4), "    1.5406");
  EXPECT_EQ(ff::field_f(9.995f, 6, 2), "  9.99");  // binary value just below the tie
  EXPECT_EQ(ff::field_f(99.5, 5, 0), " 100.");
}

TEST(FixedField, FixedPointSignLeadingZeroAndOverflow) {
  EXPECT_EQ(ff::field_f(-0.001f, 8, 2), "   -0.00");
  EXPECT_EQ(ff::field_f(0.0f, 8, 2), "    0.00");
  EXPECT_EQ(ff::field_f(-0.0f, 5, 2), " 0.00");
  EXPECT_EQ(ff::field_f(0.125f, 4, 3), ".125");   // leading zero dropped when narrow
  EXPECT_EQ(ff::field_f(-0.125f, 4, 3), "****");
  EXPECT_EQ(ff::field_f(999.99f, 5, 2), "*****");
  EXPECT_EQ(ff::field_f(123456.7f, 8, 2), "********");
  EXPECT_EQ(ff::field_f(16.48f, 5, 2), "16.48");
}

TEST(FixedField, ExponentForm) {
  EXPECT_EQ(ff::field_e(0.125f, 12, 4), "  0.1250E+00");
  EXPECT_EQ(ff::field_e(1.5406f, 9, 3), "0.154E+01");
  EXPECT_EQ(ff::field_e(-0.125f, 9, 3), "-.125E+00");
  EXPECT_EQ(ff::field_e(0.0, 9, 3), "0.000E+00");
  EXPECT_EQ(ff::field_e(999.99f, 9, 3), "0.100E+04");  // rounding carries into the exponent
  EXPECT_EQ(ff::field_e(1.0e-120, 10, 3), " 0.100-119");
  EXPECT_EQ(ff::field_e(2e9f, 10, 3), " 0.200E+10");
}

TEST(FixedField, ExtremeMagnitudesKeepEveryExactDigit) {
  const std::string largest = ff::field_f(1.7976931348623157e308, 320, 1);
  EXPECT_EQ(largest.substr(0, 9), "         ");
  EXPECT_EQ(largest.substr(9, 17), "17976931348623157");
  EXPECT_EQ(largest.substr(316), "68.0");                             // 309 digits before the point
  EXPECT_EQ(ff::field_f(0x1p-20, 22, 19), " 0.0000009536743164063");  // exact tie at 20 places
  EXPECT_EQ(ff::field_e(4.9406564584124654e-324, 12, 4), "  0.4941-323");
  EXPECT_EQ(ff::field_e(1.7976931348623157e308, 12, 4), "  0.1798+309");
}

TEST(FixedField, Text) {
  EXPECT_EQ(ff::field_a("abc", 10), "       abc");
  EXPECT_EQ(ff::field_a("abcdef", 2), "ab");
  EXPECT_EQ(ff::field_a("abc", -1), "abc");
}

TEST(Format, ListingLayouts) {
  EXPECT_EQ(ff::format("(3F10.4,2X,3F10.2)", {12.38f, 12.38f, 12.38f, 90.f, 90.f, 90.f}),
            "   12.3800   12.3800   12.3800       90.00     90.00     90.00\n");
  EXPECT_EQ(ff::format("(' Volume:',F12.4)", {1897.4106f}), " Volume:   1897.4106\n");
  EXPECT_EQ(ff::format("(//' title')"), "\n\n title\n");
  EXPECT_EQ(ff::format("(' It''s')"), " It's\n");
  EXPECT_EQ(ff::format("(2(I3,1X),A)", {1, 2, "x"}), "  1   2 x\n");
  EXPECT_EQ(ff::format("I4,\" symmetry lines:\"", {24}), "  24 symmetry lines:\n");
}

TEST(Format, TrailingBlanksOnlyWhenSomethingFollows) {
  EXPECT_EQ(ff::format("(A,5X)", {"abc"}), "abc\n");
  EXPECT_EQ(ff::format("(A,5X,A)", {"abc", "d"}), "abc     d\n");
}

TEST(Format, ItemsRunningOutStopAtNextDataDescriptor) {
  EXPECT_EQ(ff::format("(I3,' end',I3,' never')", {1}), "  1 end\n");
  EXPECT_EQ(ff::format("(I3,/,I3)", {1}), "  1\n\n");
}

TEST(Format, FormatReversionStartsNewLines) {
  EXPECT_EQ(ff::format("(I3,2X,'lit')", {1, 2, 3}), "  1  lit\n  2  lit\n  3  lit\n");
  EXPECT_EQ(ff::format("(' values:'/(10F7.3))", {1.f, 2.f, 3.f, 4.f, 5.f, 6.f, 7.f, 8.f, 9.f, 10.f, 11.f}),
            " values:\n  1.000  2.000  3.000  4.000  5.000  6.000  7.000  8.000  9.000 10.000\n 11.000\n");
}

TEST(Format, MalformedFormatIsAProgrammingError) {
  EXPECT_THROW(ff::format("(F10)", {1.f}), std::logic_error);
  EXPECT_THROW(ff::format("('open", {}), std::logic_error);
  EXPECT_THROW(ff::format("(I3)", {"text"}), std::logic_error);
}
