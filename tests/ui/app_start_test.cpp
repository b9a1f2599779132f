// The program itself: it starts with its dialog and waits in it, with no
// command line and no project needed until Start is pressed.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>

#include "ui_test_support.h"

namespace quarvelin {
namespace {

TEST(AppStart, TheProgramWaitsInItsDialog) {
  QProcess program;
  program.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
  program.start(uitest::BuildDirectory() + QStringLiteral("/quarvelin"), QStringList());
  ASSERT_TRUE(program.waitForStarted(10000));
  // A program that failed to start its dialog would have ended by now.
  EXPECT_FALSE(program.waitForFinished(1500)) << program.readAllStandardError().toStdString();
  program.kill();
  program.waitForFinished(10000);
}

}  // namespace
}  // namespace quarvelin
