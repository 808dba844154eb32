#include "Dialogs.h"

#include <QTextStream>
#include <cstdio>

namespace quirels {

Dialogs::~Dialogs() = default;
void Dialogs::focus(const QString &) {}

Progress::~Progress() = default;

Progress &noProgress()
{
    static Progress none;
    return none;
}

QString ConsoleDialogs::consoleText(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

static void printTo(FILE *f, const QString &text)
{
    const QByteArray bytes = ConsoleDialogs::consoleText(text).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), f);
    std::fputc('\n', f);
    std::fflush(f);
}

void ConsoleDialogs::information(const QString &text) { printTo(stdout, text); }
void ConsoleDialogs::error(const QString &text) { printTo(stderr, text); }

bool ConsoleDialogs::confirm(const QString &text)
{
    printTo(stdout, text);
    printTo(stdout, m_yes ? QStringLiteral("Sim") : QStringLiteral("Não"));
    return m_yes;
}

Answer ConsoleDialogs::confirmYesNoCancel(const QString &text)
{
    return confirm(text) ? Answer::Yes : Answer::No;
}

bool ConsoleDialogs::confirmOkCancel(const QString &text)
{
    printTo(stdout, text);
    printTo(stdout, m_yes ? QStringLiteral("OK") : QStringLiteral("Cancelar"));
    return m_yes;
}

static QString kindName(ScriptedDialogs::Kind k)
{
    switch (k) {
    case ScriptedDialogs::Kind::Information: return QStringLiteral("information");
    case ScriptedDialogs::Kind::Error: return QStringLiteral("error");
    case ScriptedDialogs::Kind::Confirm: return QStringLiteral("confirm");
    case ScriptedDialogs::Kind::YesNoCancel: return QStringLiteral("yes/no/cancel");
    case ScriptedDialogs::Kind::OkCancel: return QStringLiteral("ok/cancel");
    case ScriptedDialogs::Kind::Password: return QStringLiteral("password");
    }
    return QString();
}

void ScriptedDialogs::expect(Kind kind, const QString &text, Answer a)
{
    m_expected.append({kind, text, a});
}

Answer ScriptedDialogs::take(Kind kind, const QString &text)
{
    messages.append({kind, text});
    if (!m_expected.isEmpty()) {
        const Expected e = m_expected.takeFirst();
        if (e.kind != kind || e.text != text)
            failures.append(QStringLiteral("expected %1 \"%2\", got %3 \"%4\"")
                                .arg(kindName(e.kind), e.text, kindName(kind), text));
        return e.answer;
    }
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return m_default;
}

void ScriptedDialogs::information(const QString &text) { take(Kind::Information, text); }
void ScriptedDialogs::error(const QString &text) { take(Kind::Error, text); }

bool ScriptedDialogs::confirm(const QString &text)
{
    const Answer a = take(Kind::Confirm, text);
    return a == Answer::Yes || a == Answer::Ok;
}

Answer ScriptedDialogs::confirmYesNoCancel(const QString &text)
{
    return take(Kind::YesNoCancel, text);
}

bool ScriptedDialogs::confirmOkCancel(const QString &text)
{
    const Answer a = take(Kind::OkCancel, text);
    return a == Answer::Yes || a == Answer::Ok;
}

void ScriptedDialogs::focus(const QString &control) { focused.append(control); }

std::optional<QString> ScriptedDialogs::password(const QString &text)
{
    take(Kind::Password, text);
    return m_passwords.isEmpty() ? std::nullopt : m_passwords.takeFirst();
}

std::optional<QString> Dialogs::password(const QString &) { return std::nullopt; }

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Message &m : messages)
        out.append(m.text);
    return out;
}

void ScriptedDialogs::clear()
{
    messages.clear();
    focused.clear();
    failures.clear();
    m_expected.clear();
    m_answers.clear();
    m_passwords.clear();
}

} // namespace quirels
