#include "mainwindow/DialogTemplate.h"

#include <gtest/gtest.h>

#include <set>

namespace quabrel {
namespace {

TEST(DialogTemplate, ControlsInCreationOrderWithUniqueIds) {
    const int order[] = {1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1015, 1016, 1017, 1018, 1019, 1020,
                         1021, 1022, 1023, 1026, 1030, 1028, 1029, 1032, 1033, 1034, 1035, 1037, 1038};
    ASSERT_EQ(std::size(order), kMainDialogTemplate.size());
    for (std::size_t i = 0; i < kMainDialogTemplate.size(); ++i) EXPECT_EQ(kMainDialogTemplate[i].id, order[i]);
    for (int id : {1002, 1003, 1004}) EXPECT_FALSE(FindControlTemplate(id)->initiallyEnabled) << id;
    EXPECT_STREQ(FindControlTemplate(1006)->text, "X");
    EXPECT_EQ(FindControlTemplate(9999), nullptr);
}

TEST(DialogTemplate, DialogUnitsRoundLikeMulDiv) {
    EXPECT_EQ(MulDiv(5, 6, 4), 8);      // 7.5 rounds away from zero
    EXPECT_EQ(MulDiv(-5, 6, 4), -8);
    EXPECT_EQ(MulDiv(7, 13, 8), 11);    // 11.375
    EXPECT_EQ(MulDiv(3, 13, 8), 5);     // 4.875
    // The window: 376 x 322 units.
    EXPECT_EQ(DialogUnitsToPixels(QRect(QPoint(0, 0), kDialogSizeUnits)), QRect(0, 0, 564, 523));
    // The video area 10, 7, 164, 117: bottom 124 * 13 / 8 = 201.5 rounds to 202.
    EXPECT_EQ(DialogUnitsToPixels(QRect(10, 7, 164, 117)), QRect(15, 11, 246, 191));
    // Every control lies inside the built-in background of 513 x 543 pixels.
    for (const ControlTemplate& c : kMainDialogTemplate) {
        const QRect px = DialogUnitsToPixels(c.units);
        EXPECT_TRUE(QRect(0, 0, 513, 543).contains(px)) << c.id << " at " << px.x() << "," << px.y();
    }
}

}  // namespace
}  // namespace quabrel
