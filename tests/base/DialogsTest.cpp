#include "base/Dialogs.h"

#include <gtest/gtest.h>

using namespace quirels;

TEST(Dialogs, ScriptedRecordsAndChecksExpectations)
{
    ScriptedDialogs d;
    d.expect(ScriptedDialogs::Kind::Confirm, QStringLiteral("Sobrescrever?"), Answer::Yes);
    d.answer(Answer::Cancel);
    EXPECT_TRUE(d.confirm(QStringLiteral("Sobrescrever?")));
    EXPECT_EQ(d.confirmYesNoCancel(QStringLiteral("Salvar?")), Answer::Cancel);
    EXPECT_FALSE(d.confirm(QStringLiteral("Outra?"))); // default answer: No
    d.expect(ScriptedDialogs::Kind::Information, QStringLiteral("A"));
    d.error(QStringLiteral("B"));
    d.focus(QStringLiteral("edtCdNCM"));
    EXPECT_EQ(d.texts(), (QStringList{QStringLiteral("Sobrescrever?"), QStringLiteral("Salvar?"),
                                      QStringLiteral("Outra?"), QStringLiteral("B")}));
    ASSERT_EQ(d.failures.size(), 1);
    EXPECT_EQ(d.focused, QStringList{QStringLiteral("edtCdNCM")});
}

TEST(Dialogs, ConsoleTurnsCarriageReturnsIntoLineBreaks)
{
    EXPECT_EQ(ConsoleDialogs::consoleText(QStringLiteral("a\r\nb\rc\nd")), QStringLiteral("a\nb\nc\nd"));
}
