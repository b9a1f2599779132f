// The progress bar's pixels read back from its image, and its repaints
// counted as they happen.
#include <gtest/gtest.h>

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <climits>

#include "ui/text_progress_ctrl.h"
#include "ui_test_support.h"

namespace quarvelin {
namespace {

class TextProgressCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_.resize(240, 40);
    bar_ = new CTextProgressCtrl(&host_);
    // Unsmoothed glyphs, so that every text pixel is exactly one colour.
    QFont font = bar_->font();
    font.setStyleStrategy(QFont::NoAntialias);
    bar_->setFont(font);
    bar_->setGeometry(10, 10, 202, 22);  // a client area of 200 by 20 inside the border
    host_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
    bar_->installEventFilter(&counter_);
    QCoreApplication::processEvents();
  }

  QColor Highlight() const { return bar_->palette().color(QPalette::Highlight); }
  QColor Base() const { return bar_->palette().color(QPalette::Base); }

  // The bar as it should look with `filled` pixels of fill and `text` in
  // the middle: the glyphs in the window colour over the fill and in the
  // highlight colour beyond it.
  QImage Expected(int filled, const QString& text, int* textLeftOfEdge = nullptr, int* textRightOfEdge = nullptr) {
    const QRect client(1, 1, 200, 20);
    QImage glyphs(bar_->size(), QImage::Format_ARGB32);
    glyphs.fill(Qt::transparent);
    if (!text.isEmpty()) {
      QPainter painter(&glyphs);
      painter.setFont(bar_->font());
      painter.setPen(Qt::black);
      painter.drawText(client, Qt::AlignCenter | Qt::TextSingleLine, text);
    }
    QImage expected(bar_->size(), QImage::Format_RGB32);
    expected.fill(bar_->palette().color(QPalette::WindowText));
    int left = 0, right = 0;
    for (int y = client.top(); y <= client.bottom(); ++y) {
      for (int x = client.left(); x <= client.right(); ++x) {
        const bool inFill = x < client.left() + filled;
        const bool isText = qAlpha(glyphs.pixel(x, y)) != 0;
        if (isText) ++(inFill ? left : right);
        expected.setPixelColor(x, y, inFill != isText ? Highlight() : Base());
      }
    }
    if (textLeftOfEdge) *textLeftOfEdge = left;
    if (textRightOfEdge) *textRightOfEdge = right;
    return expected;
  }

  // Number of pixels where the bar's image differs from `expected`.
  int Differences(const QImage& expected) {
    const QImage actual = bar_->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int differences = 0;
    for (int y = 0; y < actual.height(); ++y) {
      for (int x = 0; x < actual.width(); ++x) differences += actual.pixel(x, y) != expected.pixel(x, y);
    }
    return differences;
  }

  // Paint events that `call` caused before it returned.
  int PaintsDuring(const std::function<void()>& call) {
    const int before = counter_.paints;
    call();
    return counter_.paints - before;
  }

  QWidget host_;
  CTextProgressCtrl* bar_ = nullptr;
  uitest::PaintCounter counter_;
};

TEST_F(TextProgressCtrlTest, FillAndPercentageFollowThePosition) {
  ASSERT_NE(Highlight(), Base());
  struct Case {
    int position, filled;
    const char* text;
  };
  for (const Case& c : {Case{0, 0, "0%"}, Case{37, 74, "37%"}, Case{100, 200, "100%"}, Case{50, 100, "50%"}}) {
    SCOPED_TRACE(c.position);
    bar_->SetBarPosition(c.position);
    EXPECT_EQ(Differences(Expected(c.filled, QString::fromLatin1(c.text))), 0);
  }
}

TEST_F(TextProgressCtrlTest, TextChangesColourExactlyAtTheFillEdge) {
  bar_->SetBarPosition(50);
  int left = 0, right = 0;
  const QImage expected = Expected(100, QStringLiteral("50%"), &left, &right);
  // The edge at the middle runs through the text: glyph pixels lie on both
  // sides, window-coloured on the fill and highlight-coloured beyond it.
  EXPECT_GT(left, 0);
  EXPECT_GT(right, 0);
  EXPECT_EQ(Differences(expected), 0);
}

TEST_F(TextProgressCtrlTest, RepaintsAtOnceOnlyWhenTheFilledWidthChanges) {
  bar_->SetBarLimits(0, 1000);
  EXPECT_EQ(PaintsDuring([&] { bar_->SetBarPosition(370); }), 1);  // 74 pixels
  EXPECT_EQ(PaintsDuring([&] { bar_->SetBarPosition(374); }), 0);  // 74.8: still 74
  EXPECT_EQ(PaintsDuring([&] { bar_->SetBarPosition(375); }), 1);  // 75
  EXPECT_EQ(PaintsDuring([&] { bar_->SetBarPosition(375); }), 0);
}

TEST_F(TextProgressCtrlTest, RepaintsAfterAResizeEvenAtTheSameWidth) {
  bar_->SetBarLimits(0, 1000);
  bar_->SetBarPosition(375);  // 75 of 200 pixels
  bar_->resize(203, 22);      // 75.375 of 201: the same 75 pixels
  QCoreApplication::processEvents();
  EXPECT_EQ(PaintsDuring([&] { bar_->SetBarPosition(376); }), 1);
  EXPECT_EQ(PaintsDuring([&] { bar_->SetBarPosition(377); }), 0);
}

TEST_F(TextProgressCtrlTest, SetBarPositionReturnsThePreviousPosition) {
  EXPECT_EQ(bar_->SetBarPosition(37), 0);
  EXPECT_EQ(bar_->SetBarPosition(50), 37);
  EXPECT_EQ(bar_->SetBarPosition(50), 50);
}

TEST(TextProgressCtrlWindow, WithoutAWindowNothingIsStored) {
  QWidget host;
  auto* bar = new CTextProgressCtrl(&host);
  EXPECT_EQ(bar->SetBarPosition(40), -1);
  host.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
  EXPECT_EQ(bar->SetBarPosition(10), 0);
}

TEST_F(TextProgressCtrlTest, PercentShownRepaintsOnlyOnAChange) {
  bar_->SetBarPosition(37);
  EXPECT_EQ(PaintsDuring([&] {
              bar_->SetPercentShown(1);
              QCoreApplication::processEvents();
            }),
            0);
  EXPECT_EQ(PaintsDuring([&] {
              bar_->SetPercentShown(0);
              QCoreApplication::processEvents();
            }),
            1);
  EXPECT_EQ(Differences(Expected(74, QString())), 0);
  bar_->SetPercentShown(1);
  EXPECT_EQ(Differences(Expected(74, QStringLiteral("37%"))), 0);
}

TEST_F(TextProgressCtrlTest, WindowTextIsNeverDrawn) {
  bar_->SetBarPosition(37);
  EXPECT_EQ(PaintsDuring([&] {
              bar_->setWindowTitle(QStringLiteral("99%"));
              QCoreApplication::processEvents();
            }),
            0);
  EXPECT_EQ(Differences(Expected(74, QStringLiteral("37%"))), 0);
}

TEST_F(TextProgressCtrlTest, PositionsOutsideTheRangeFillAllOrNothing) {
  bar_->SetBarPosition(150);
  EXPECT_EQ(Differences(Expected(200, QStringLiteral("150%"))), 0);
  bar_->SetBarPosition(-20);
  EXPECT_EQ(Differences(Expected(0, QStringLiteral("-20%"))), 0);
  bar_->SetBarPosition(INT_MAX);
  bar_->SetBarLimits(INT_MIN, INT_MAX);
  bar_->SetBarPosition(INT_MIN);
  EXPECT_EQ(Differences(Expected(0, QStringLiteral("0%"))), 0);
}

TEST_F(TextProgressCtrlTest, ARangeWithoutWidthShowsAnEmptyBar) {
  bar_->SetBarLimits(5, 5);
  bar_->SetBarPosition(7);
  EXPECT_EQ(Differences(Expected(0, QString())), 0);
}

}  // namespace
}  // namespace quarvelin
