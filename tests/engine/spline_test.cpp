// Natural cubic spline paths: the solve, evaluation, loop and hold, and the loader's limits.
#include <gtest/gtest.h>

#include <cmath>

#include "demo/engine/spline.h"
#include "engine_support.h"

namespace {

SplineStore store;   // static: 50 x 50 keys

// The parser's refusal, or "".
std::string Parse(int32_t slot, const std::string& text) {
  std::vector<uint8_t> b = Bytes(text);
  Failure why;
  ParseSpline(&store, slot, b.data(), b.size(), why);
  return why.text;
}

double At(int32_t slot, double t, int32_t loopStart = -1, int j = 0) {
  double out[7] = {};
  EvalSpline(&store, slot, t, out, loopStart);
  return out[j];
}

TEST(Spline, WorkedExampleSecondDerivativesAndMidValues) {
  ASSERT_EQ(Parse(0, "3 1\n0 0\n1 1\n2 0\n"), "");
  EXPECT_EQ(store.keyCount[0], 3);
  EXPECT_EQ(store.valueCount[0], 1);
  EXPECT_EQ((std::vector<double>{store.keys[0][0].y2[0], store.keys[0][1].y2[0], store.keys[0][2].y2[0]}),
            (std::vector<double>{0, -3, 0}));
  EXPECT_DOUBLE_EQ(At(0, 0.5), 0.6875);
  EXPECT_DOUBLE_EQ(At(0, 1.5), 0.6875);
  EXPECT_DOUBLE_EQ(At(0, 1.0), 1.0);   // on a key: that key's value
  EXPECT_DOUBLE_EQ(At(0, 2.0), 0.0);
}

TEST(Spline, MatchesTheTridiagonalSystemOnManyKeys) {
  // Irregular keys, two values: the second derivatives must satisfy every row of the system.
  ASSERT_EQ(Parse(1, "6 2  0 1 5  0.5 3 -2  2 0 4  2.25 7 7  4 1 0  9 -3 2"), "");
  const SplineKey* k = store.keys[1];
  for (int j = 0; j < 2; j++) {
    for (int i = 1; i <= 4; i++) {
      double h0 = k[i].t - k[i - 1].t, h1 = k[i + 1].t - k[i].t;
      double lhs = h0 * k[i - 1].y2[j] + 2 * (h0 + h1) * k[i].y2[j] + h1 * k[i + 1].y2[j];
      double rhs = ((k[i + 1].y[j] - k[i].y[j]) / h1 - (k[i].y[j] - k[i - 1].y[j]) / h0) * 6;
      EXPECT_NEAR(lhs, rhs, 1e-9) << "value " << j << " key " << i;
    }
    EXPECT_EQ(k[0].y2[j], 0.0);
    EXPECT_EQ(k[5].y2[j], 0.0);
    for (int i = 0; i < 6; i++) EXPECT_NEAR(At(1, k[i].t, -1, j), k[i].y[j], 1e-12);
  }
  // Continuous across a key.
  EXPECT_NEAR(At(1, 2.0 - 1e-9), At(1, 2.0 + 1e-9), 1e-6);
}

TEST(Spline, HoldAndLoopPastTheLastKey) {
  ASSERT_EQ(Parse(2, "4 2  0 0 10  10 5 20  20 -5 30  30 0 40"), "");
  EXPECT_DOUBLE_EQ(At(2, 55.0, -1, 0), 0.0);
  EXPECT_DOUBLE_EQ(At(2, 55.0, -1, 1), 40.0);
  // loopStart 0: t_last + 10 gives the values at 10.
  EXPECT_NEAR(At(2, 40.0, 0, 0), 5.0, 1e-12);
  EXPECT_NEAR(At(2, 40.0, 0, 1), 20.0, 1e-12);
  // loopStart 10 repeats the stretch 10..30.
  EXPECT_NEAR(At(2, 45.0, 10, 1), At(2, 25.0, 10, 1), 1e-9);
  EXPECT_NEAR(At(2, 30.0 + 20.0 * 7 + 3.0, 10, 0), At(2, 13.0, 10, 0), 1e-9);
  // Below the first key: the first segment's cubic goes on.
  const SplineKey* k = store.keys[2];
  double t = -4.0, b = (t - k[0].t) / k[0].h, a = 1 - b;
  double expect = ((a * a * a - a) * k[0].y2[0] + (b * b * b - b) * k[1].y2[0]) * k[0].h * k[0].h / 6 +
                  b * k[1].y[0] + a * k[0].y[0];
  EXPECT_NEAR(At(2, t), expect, 1e-12);
}

TEST(Spline, TwoKeysAreLinearAndOneKeyIsConstant) {
  ASSERT_EQ(Parse(3, "2 1 0 4 8 12"), "");
  for (double t : {0.0, 1.0, 2.5, 7.75, 8.0}) EXPECT_NEAR(At(3, t), 4.0 + t, 1e-12);
  ASSERT_EQ(Parse(4, "1 3 5 1 2 3"), "");
  for (double t : {-100.0, 5.0, 1e6}) {
    EXPECT_EQ(At(4, t, -1, 0), 1.0);
    EXPECT_EQ(At(4, t, 0, 2), 3.0);
  }
}

TEST(Spline, LimitsOfTheFile) {
  std::string keys49 = "49 6";
  for (int i = 0; i < 49; i++) keys49.append(" ").append(std::to_string(i)).append(" 1 2 3 4 5 6");
  ASSERT_EQ(Parse(5, keys49), "");
  EXPECT_EQ(store.keyCount[5], 49);
  EXPECT_NEAR(At(5, 30.5, -1, 5), 6.0, 1e-12);
  EXPECT_EQ(Parse(6, "50 1"), "LoadSpline(): too many keys");
  EXPECT_EQ(Parse(6, "3 7"), "LoadSpline(): too many data");
  EXPECT_EQ(store.keyCount[6], 0);
  EXPECT_EQ(Parse(50, "1 1 0 0"), "InitSpline(): too many splines");
  EXPECT_TRUE(DiesFatally([] { At(-1, 0.0); }));
}

TEST(Spline, DamagedPathsGiveNumbersNotNaN) {
  ASSERT_EQ(Parse(7, "4 1  0 1  0 2  5 3  5 4"), "");   // equal parameters
  for (double t : {-1.0, 0.0, 2.0, 5.0, 6.0}) EXPECT_TRUE(std::isfinite(At(7, t))) << t;
  ASSERT_EQ(Parse(8, "3 1  0 1  10 2  20 3"), "");
  EXPECT_EQ(At(8, 25.0, 20), 3.0);      // loopStart at the last key: holds
  EXPECT_EQ(At(8, 25.0, 40), 3.0);      // and past it
  ASSERT_EQ(Parse(9, "0 2"), "");   // no keys: zeros
  double out[2] = {7, 7};
  EvalSpline(&store, 9, 1.0, out, -1);
  EXPECT_EQ(out[0], 0.0);
  EXPECT_EQ(out[1], 0.0);
  ASSERT_EQ(Parse(10, "2 2 0 1"), "");   // truncated: the rest reads 0
  EXPECT_EQ(store.keys[10][0].y[0], 1.0);
  EXPECT_EQ(store.keys[10][1].t, 0.0);
}

}  // namespace
