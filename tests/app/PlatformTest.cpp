// The program's own folder, where the help page is looked for, when the
// program is started through a link, as the installed program is: the link
// in bin leads to the real file in the program's own folder.
#include "app/Platform.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <filesystem>

#ifdef __linux__

namespace {

constexpr char ExpectedFolder[] = "HELIXOR_TEST_EXPECTED_PROGRAM_FOLDER";
constexpr char ThisTest[] = "Platform.ProgramFolderIsThatOfTheFileALinkLeadsTo";

}  // namespace

// Starts this test program again through a link in another folder, and
// there checks the folder against the real file's.
TEST(Platform, ProgramFolderIsThatOfTheFileALinkLeadsTo) {
  if (qEnvironmentVariableIsSet(ExpectedFolder)) {
    EXPECT_EQ(TPlatform().ProgramFolder().toStdString(), qEnvironmentVariable(ExpectedFolder).toStdString());
    EXPECT_TRUE(QFile::exists(TPlatform().ProgramPath()));
    return;
  }
  const std::filesystem::path real = std::filesystem::canonical("/proc/self/exe");
  QTemporaryDir links;
  ASSERT_TRUE(links.isValid());
  const QString link = links.filePath(QStringLiteral("helixor"));
  ASSERT_TRUE(QFile::link(QString::fromStdString(real.string()), link));

  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QString::fromLatin1(ExpectedFolder),
                     QString::fromStdString(real.parent_path().string()) + QLatin1Char('/'));
  child.setProcessEnvironment(environment);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(link, {QStringLiteral("--gtest_filter=") + QLatin1String(ThisTest)});
  ASSERT_TRUE(child.waitForFinished(60000)) << "the test program did not end";
  const QString output = QString::fromLocal8Bit(child.readAll());
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

#endif
