#include "app/Command.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "app/RecordingDialogs.h"
#include "evaluator/Faults.h"

TEST(RunCommand, AnErrorBecomesTheStandardErrorBoxWithItsFullStop) {
  struct Case {
    std::function<void()> command;
    QString shown;
  };
  const Case cases[] = {
      {[] { throw IoFault(2); }, QStringLiteral("File not found.")},
      {[] { throw InvalidCastFault(); }, QStringLiteral("Invalid class typecast.")},
      {[] { throw RegistryFault(""); }, QStringLiteral("Failed to set data for ''")},
      {[] { throw std::runtime_error("ends with a stop."); }, QStringLiteral("ends with a stop.")},
      {[] { throw 42; }, QStringLiteral("Unexpected error.")},
      // The user's words, not a type's name.
      {[] { throw std::bad_alloc(); }, QStringLiteral("Out of memory.")},
  };
  for (const Case& c : cases) {
    TRecordingDialogs dialogs;
    EXPECT_FALSE(RunCommand(dialogs, c.command));
    ASSERT_EQ(dialogs.Records.size(), 1u);
    EXPECT_EQ(dialogs.Records[0].What, TDialogRecord::ErrorBox);
    EXPECT_EQ(dialogs.Records[0].Caption, QStringLiteral("Helixor"));
    EXPECT_EQ(dialogs.Records[0].Text, c.shown);
  }
}

TEST(RunCommand, ACommandThatSucceedsShowsNothing) {
  TRecordingDialogs dialogs;
  int runs = 0;
  EXPECT_TRUE(RunCommand(dialogs, [&] { ++runs; }));
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(dialogs.Records.empty());
}
