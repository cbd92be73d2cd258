// Free-format and fixed-column reading with Fortran read statuses.
#include <gtest/gtest.h>

#include <sstream>

#include "format/input_reader.hpp"

namespace ff = kavro::ff;

TEST(ReadList, BlankAndCommaSeparatedValues) {
  std::istringstream in("12.380, 12.380  12.380 90. 90.,90.\n");
  float v[6] = {};
  EXPECT_EQ(ff::read_list(in, {&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]}), 0);
  EXPECT_FLOAT_EQ(v[0], 12.38f);
  EXPECT_FLOAT_EQ(v[5], 90.f);
}

TEST(ReadList, ContinuesOnNextLinesAndIgnoresTheRestOfTheLastLine) {
  std::istringstream in("   1  0.25  0.125\n\n 0.0  0.25 extra words\nnext\n");
  float fnr = 0, afact = 0, x = 0, y = 0, z = 0;
  EXPECT_EQ(ff::read_list(in, {&fnr, &afact, &x, &y, &z}), 0);
  EXPECT_FLOAT_EQ(z, 0.25f);
  std::string next;
  EXPECT_EQ(ff::read_record(in, 4, next), 0);
  EXPECT_EQ(next, "next");
}

TEST(ReadList, StatusAtEndOfFileAndOnBadValue) {
  std::istringstream short_file("1 2\n");
  int a = 0, b = 0, c = 0;
  EXPECT_LT(ff::read_list(short_file, {&a, &b, &c}), 0);
  EXPECT_EQ(b, 2);

  std::istringstream empty("");
  EXPECT_LT(ff::read_list(empty, {&a}), 0);

  std::istringstream bad("1 x 3\n");
  EXPECT_GT(ff::read_list(bad, {&a, &b, &c}), 0);

  std::istringstream real_for_integer("8. 8 2\n");
  EXPECT_GT(ff::read_list(real_for_integer, {&a, &b, &c}), 0);
}

TEST(ReadList, FortranNumberForms) {
  std::istringstream in(".5 1. -2.5E-03 1d2 +3 1.5-3\n");
  double v[6] = {};
  EXPECT_EQ(ff::read_list(in, {&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]}), 0);
  EXPECT_DOUBLE_EQ(v[0], 0.5);
  EXPECT_DOUBLE_EQ(v[1], 1.0);
  EXPECT_DOUBLE_EQ(v[2], -0.0025);
  EXPECT_DOUBLE_EQ(v[3], 100.0);
  EXPECT_DOUBLE_EQ(v[4], 3.0);
  EXPECT_DOUBLE_EQ(v[5], 0.0015);
  double x = 7;
  EXPECT_GT(ff::read_list(std::string_view("nan"), {&x}), 0);
  EXPECT_GT(ff::read_list(std::string_view("inf"), {&x}), 0);
  EXPECT_EQ(x, 7);
}

TEST(ReadList, RepeatCountsNullValuesAndSlash) {
  std::istringstream in("3*0.5 ,, 2* 4 / 9 9\n");
  float v[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(ff::read_list(in, {&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]}), 0);
  EXPECT_FLOAT_EQ(v[2], 0.5f);
  EXPECT_FLOAT_EQ(v[3], 1.f);  // the empty value between the commas
  EXPECT_FLOAT_EQ(v[5], 1.f);  // "2*" leaves two values unchanged
  EXPECT_FLOAT_EQ(v[6], 4.f);
  EXPECT_FLOAT_EQ(v[7], 1.f);  // the slash ends the read
}

TEST(ReadList, InternalReadOfOneRecord) {
  int idesy = 0;
  float alam = 0, dlam = 0, extra = 0;
  EXPECT_EQ(ff::read_list(std::string_view("3 1.0 0.01"), {&idesy, &alam, &dlam}), 0);
  EXPECT_EQ(idesy, 3);
  EXPECT_LT(ff::read_list(std::string_view("3 1.0 0.01"), {&idesy, &alam, &dlam, &extra}), 0);
}

TEST(ReadRecord, PadsCutsAndDropsCarriageReturn) {
  std::istringstream in("yig.ps\r\n" + std::string(100, 'x') + "\n");
  std::string record;
  EXPECT_EQ(ff::read_record(in, 72, record), 0);
  EXPECT_EQ(record, "yig.ps" + std::string(66, ' '));
  EXPECT_EQ(ff::read_record(in, 80, record), 0);
  EXPECT_EQ(record, std::string(80, 'x'));
  EXPECT_LT(ff::read_record(in, 80, record), 0);
}

TEST(FixedColumns, ImpliedDecimalsBlankFieldsAndIntegers) {
  const std::string line = "Siva    0.0522        12 1";
  float fp = -1, fpp = -1;
  int iub = -1;
  EXPECT_EQ(ff::field_f(line, 5, 10, 4, fp), 0);
  EXPECT_EQ(ff::field_f(line, 15, 10, 4, fpp), 0);
  EXPECT_EQ(ff::field_i(line, 25, 1, iub), 0);
  EXPECT_FLOAT_EQ(fp, 0.0522f);
  EXPECT_FLOAT_EQ(fpp, 0.0012f);  // no decimal point: four implied decimals
  EXPECT_EQ(iub, 0);              // column 25 is blank, the 1 stands in column 26

  EXPECT_EQ(ff::field_f("Y3+", 5, 10, 4, fp), 0);  // beyond the end of the line
  EXPECT_FLOAT_EQ(fp, 0.f);
  EXPECT_EQ(ff::field_f("    -1.5E2", 1, 10, 4, fp), 0);
  EXPECT_FLOAT_EQ(fp, -150.f);
  EXPECT_EQ(ff::field_f("    - 1 2 ", 1, 10, 4, fp), 0);  // embedded blanks are ignored
  EXPECT_FLOAT_EQ(fp, -0.0012f);
  EXPECT_GT(ff::field_f("      abcd", 1, 10, 4, fp), 0);
  EXPECT_GT(ff::field_i("x", 1, 1, iub), 0);
}

TEST(Trim, Blanks) {
  EXPECT_EQ(ff::trim_right("yig.ps   "), "yig.ps");
  EXPECT_EQ(ff::trim("  a b  "), "a b");
  EXPECT_EQ(ff::trim("   "), "");
}

TEST(ListStatement, CountThenValuesContinueOnTheSameLine) {
  std::istringstream in("1 2 0 1 0 0\n 0 0 1 0 0 0 0 1\nY3+\n");
  kavro::ff::ListStatement statement(in);
  int ic = 0, ns = 0;
  ASSERT_EQ(statement.read({&ic, &ns}), 0);
  EXPECT_EQ(ns, 2);
  float t = -1, r[3] = {};
  ASSERT_EQ(statement.read({&t, &r[0], &r[1], &r[2]}), 0);
  EXPECT_FLOAT_EQ(t, 0.f);
  EXPECT_FLOAT_EQ(r[0], 1.f);
  ASSERT_EQ(statement.read({&t, &r[0], &r[1], &r[2], &t, &r[0], &r[1], &r[2]}), 0);
  EXPECT_FLOAT_EQ(r[2], 1.f);
  std::string next;
  ASSERT_EQ(kavro::ff::read_record(in, 4, next), 0);
  EXPECT_EQ(next, "Y3+ ");
  EXPECT_LT(statement.read({&t}), 0);
}
