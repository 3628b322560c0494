// The .3dm parser and the bounded number readers.
#include <gtest/gtest.h>

#include <cmath>

#include "demo/engine/text.h"
#include "engine_support.h"

namespace {

using ObjectTest = LoggedTest;

// Parses text and checks the counts of the object it gives.
void ExpectCounts(const std::string& text, int32_t vertices, int32_t faces, const char* name = "test.3dm") {
  Object3D o = ParseFull(text, name);
  EXPECT_EQ(o.vertexCount, vertices) << text.substr(0, 20);
  EXPECT_EQ(o.faceCount, faces) << text.substr(0, 20);
  FreeObject(&o);
}

TEST_F(ObjectTest, ThreeVertexExampleLoads) {
  Object3D o = ParseFull("3\n0 0 0 0 0\n1 0 0 1 0\n0 1 0 0 1\n1\n0 1 2\n");
  ASSERT_EQ(o.vertexCount, 3);
  ASSERT_EQ(o.faceCount, 1);
  EXPECT_EQ((std::vector<double>{o.Map[1].u, o.Map[1].v, o.Map[2].v, o.Verts[1].x, o.Verts[2].y}),
            (std::vector<double>{256, 0, 256, 1, 1}));
  EXPECT_EQ((std::vector<int32_t>{o.faces[0].count, o.faces[0].a, o.faces[0].b, o.faces[0].c}),
            (std::vector<int32_t>{3, 0, 1, 2}));
  FreeObject(&o);
}

TEST_F(ObjectTest, LayoutOfWhiteSpaceDoesNotMatter) {
  Object3D a = ParseFull("3 0 0 0 0 0 1 0 0 1 0 0 1 0 0 1 1 0 1 2");
  Object3D b = ParseFull("\t3\r\n\v0\f0 0\t\t0   0\n1\n0\n0\n1\n0\r0 1 0 0 1\n\n1\n\n0\t1\t2\n\n\n");
  ASSERT_EQ(a.vertexCount, b.vertexCount);
  ASSERT_EQ(a.faceCount, b.faceCount);
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(a.Verts[i].x, b.Verts[i].x);
    EXPECT_EQ(a.Verts[i].y, b.Verts[i].y);
    EXPECT_EQ(a.Map[i].u, b.Map[i].u);
    EXPECT_EQ(a.Map[i].v, b.Map[i].v);
  }
  EXPECT_EQ(b.faces[0].c, 2);
  FreeObject(&a);
  FreeObject(&b);
}

TEST_F(ObjectTest, RealForms) {
  Object3D o = ParseFull("2  1.5e2 -2.25 +3. .5 1E-1   -0 1e+1 7.125e0 0.25 0.5  0");
  ASSERT_EQ(o.vertexCount, 2);
  EXPECT_EQ((std::vector<double>{o.Verts[0].x, o.Verts[0].y, o.Verts[0].z, o.Map[0].u, o.Verts[1].y, o.Verts[1].z,
                                 o.Map[1].u, o.Map[1].v}),
            (std::vector<double>{150, -2.25, 3, 128, 10, 7.125, 64, 128}));
  EXPECT_DOUBLE_EQ(o.Map[0].v, 0.1 * 256.0);
  EXPECT_EQ(o.faceCount, 0);
  FreeObject(&o);
}

TEST_F(ObjectTest, EmptyObject) {
  ExpectCounts("0 0", 0, 0);
  ExpectCounts("", 0, 0);
}

TEST_F(ObjectTest, UnreadableNumberStopsTheReadingAndLaterNumbersAreZero) {
  // "x" cannot be read: the reader stays there, so everything after it reads 0.
  Object3D o = ParseFull("2 1 2 3 4 5 6 x 8 9 10 1 0 1 1");
  ASSERT_EQ(o.vertexCount, 2);
  EXPECT_EQ(o.Verts[1].x, 6.0);
  EXPECT_EQ(o.Verts[1].y, 0.0);
  EXPECT_EQ(o.Map[1].v, 0.0);
  EXPECT_EQ(o.faceCount, 0);
  FreeObject(&o);
}

TEST_F(ObjectTest, TruncatedFileEndsInZerosWithoutReadingPastTheBuffer) {
  // The last number touches the end of an unterminated buffer.
  Object3D o = ParseFull("2 1 2 3 4 5 6 7 8 9 10 2 0 1 1 1 0 1");
  ASSERT_EQ(o.vertexCount, 2);
  EXPECT_EQ(o.Map[1].v, 2560.0);
  ASSERT_EQ(o.faceCount, 2);
  EXPECT_EQ(o.faces[1].a, 1);
  EXPECT_EQ(o.faces[1].c, 1);
  FreeObject(&o);
  Object3D t = ParseFull("3 1 2 3 4 5 6 7");
  ASSERT_EQ(t.vertexCount, 3);
  EXPECT_EQ(t.Verts[1].y, 7.0);
  EXPECT_EQ(t.Verts[1].z, 0.0);
  EXPECT_EQ(t.Verts[2].x, 0.0);
  FreeObject(&t);
}

TEST_F(ObjectTest, FacesOutsideTheVerticesAreDroppedWithOneWarning) {
  Object3D o = ParseFull("3 0 0 0 0 0 1 0 0 0 0 0 1 0 0 0  4  0 1 2  0 1 3  -1 1 2  2 1 0", "bad.3dm");
  ASSERT_EQ(o.faceCount, 2);
  EXPECT_EQ(o.faces[0].c, 2);
  EXPECT_EQ(o.faces[1].a, 2);
  EXPECT_EQ(LogCount("WARNING: LoadObject(): 2 faces of \"bad.3dm\""), 1);
  FreeObject(&o);
}

TEST_F(ObjectTest, NegativeCountsLoadEmptyAndHugeCountsAreRefused) {
  ExpectCounts("-5 -2", 0, 0);
  ExpectCounts("99999999999 1 2 3", 0, 0, "huge.3dm");
  EXPECT_TRUE(LogHasPart("ERROR: LoadObject(): \"huge.3dm\" claims 2147483647 vertices"));
  ExpectCounts("1048577", 0, 0, "limit.3dm");   // one more than the most an object may have
  EXPECT_TRUE(LogHasPart("claims 1048577 vertices, more than 1048576"));
  ExpectCounts("1 0 0 0 0 0 2000000 0 0 0", 1, 0, "faces.3dm");
  EXPECT_TRUE(LogHasPart("claims 2000000 faces"));
}

TEST(TextReading, NumbersStopAtTheBufferEnd) {
  const char text[] = "12345";
  const char* p = text;
  EXPECT_EQ(ReadInt(&p, text + 3), 123);
  EXPECT_EQ(p, text + 3);
  p = text;
  EXPECT_EQ(ReadReal(&p, text + 2), 12.0);
  const char exp[] = "1.5e";   // an exponent without digits is not part of the number
  p = exp;
  EXPECT_EQ(ReadReal(&p, exp + 4), 1.5);
  EXPECT_EQ(p, exp + 3);
  const char sign[] = "-";
  p = sign;
  EXPECT_EQ(ReadInt(&p, sign + 1), 0);
  EXPECT_EQ(p, sign);
  const char* dot = ".";
  p = dot;
  EXPECT_EQ(ReadReal(&p, dot + 1), 0.0);
  EXPECT_EQ(p, dot);
  const char* words = "inf nan 0x10";
  p = words;
  EXPECT_EQ(ReadReal(&p, words + 12), 0.0);
  EXPECT_EQ(p, words);
  const char* hex = "0x10";
  p = hex;
  EXPECT_EQ(ReadReal(&p, hex + 4), 0.0);   // decimal only: the 0, then "x" stops it
  EXPECT_EQ(p, hex + 1);
  const char* big = "-99999999999";
  p = big;
  EXPECT_EQ(ReadInt(&p, big + 12), -2147483647 - 1);
  const char* space = " \t\r\n\v\fz";
  EXPECT_EQ(SkipSpace(space, space + 7), space + 6);
  EXPECT_EQ(SkipSpace(space, space + 3), space + 3);
  EXPECT_EQ(SkipSpace(space), space + 6);
}

TEST(TextReading, LongRealTokens) {
  std::string digits = "1" + std::string(300, '0') + ".5e-300";
  const char* p = digits.data();
  double v = ReadReal(&p, digits.data() + digits.size());
  EXPECT_EQ(p, digits.data() + digits.size());
  EXPECT_NEAR(v, 1.0, 1e-12);
  std::string overflow = "1e999";
  p = overflow.data();
  EXPECT_TRUE(std::isinf(ReadReal(&p, overflow.data() + overflow.size())));
}

}  // namespace
