#include <gtest/gtest.h>

#include "app/AvisosOidos.h"

// A notice heard twice is taken once, and again once its time is past; a
// flood of different notices (forged, from the local network) keeps the
// record small, so each one costs little.
TEST(AvisosOidosTest, TakesEachNoticeOnceAndStaysSmallUnderAFlood) {
  AvisosOidos oidos;
  EXPECT_TRUE(oidos.Nuevo("PC\nana\n20040312100000RFS2004031220040312", 1000));
  EXPECT_FALSE(oidos.Nuevo("PC\nana\n20040312100000RFS2004031220040312", 1000 + AvisosOidos::kVigenciaMs));
  EXPECT_TRUE(oidos.Nuevo("PC\nluis\n20040312100000RFS2004031220040312", 1500));
  EXPECT_TRUE(oidos.Nuevo("PC\nana\n20040312100000RFS2004031220040312", 1001 + AvisosOidos::kVigenciaMs));

  for (int i = 0; i < 20000; ++i) {
    ASSERT_TRUE(oidos.Nuevo(QStringLiteral("LAN\nx\n%1").arg(i), 20000 + i / 10));
    ASSERT_LE(oidos.Size(), AvisosOidos::kMaximo);
  }
}
