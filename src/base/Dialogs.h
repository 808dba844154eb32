#pragma once
// The one seam through which every user message passes. Logic asks questions
// and reports through a Dialogs; the desktop shows message boxes, the CLI uses
// the console and the tests script the answers.

#include <QString>
#include <QStringList>
#include <QList>

#include <optional>

namespace quirels {

enum class Answer { Yes, No, Cancel, Ok };

class Dialogs {
public:
    virtual ~Dialogs();

    // Information box with OK ("É necessário informar ...", invalid values).
    virtual void information(const QString &text) = 0;
    // Error box with OK (invalid CNPJ/CPF, failures).
    virtual void error(const QString &text) = 0;
    // Confirmation with Sim/Não; true for Sim.
    virtual bool confirm(const QString &text) = 0;
    // Confirmation with Sim/Não/Cancelar.
    virtual Answer confirmYesNoCancel(const QString &text) = 0;
    // Confirmation with OK/Cancelar; true for OK.
    virtual bool confirmOkCancel(const QString &text) = 0;
    // Puts the focus on the control with that object name after a failed check.
    virtual void focus(const QString &control);
    // Asks for a password (typed as dots; the seam keeps nothing). Nothing
    // when the user cancels, or where nobody can be asked (the console).
    virtual std::optional<QString> password(const QString &text);
};

// Answers every question with one fixed answer and writes messages to the
// console: information to standard output, errors to standard error. The
// question is printed, followed by the answer taken.
class ConsoleDialogs : public Dialogs {
public:
    explicit ConsoleDialogs(bool answerYes) : m_yes(answerYes) {}
    void information(const QString &text) override;
    void error(const QString &text) override;
    bool confirm(const QString &text) override;
    Answer confirmYesNoCancel(const QString &text) override;
    bool confirmOkCancel(const QString &text) override;

    // "\r\n", "\r" and "\n" inside a message become line breaks.
    static QString consoleText(const QString &text);

private:
    bool m_yes;
};

// For tests: every message is recorded; answers come from a queue (or a
// default), and expectations of exact texts can be queued.
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Information, Error, Confirm, YesNoCancel, OkCancel, Password };
    struct Message {
        Kind kind;
        QString text;
    };

    void information(const QString &text) override;
    void error(const QString &text) override;
    bool confirm(const QString &text) override;
    Answer confirmYesNoCancel(const QString &text) override;
    bool confirmOkCancel(const QString &text) override;
    void focus(const QString &control) override;
    // Recorded as a message of kind Password; the answer comes from the
    // password queue (nothing, as a cancel, when it is empty).
    std::optional<QString> password(const QString &text) override;
    void givePassword(const std::optional<QString> &p) { m_passwords.append(p); }

    // Queues the answer to the next question.
    void answer(Answer a) { m_answers.append(a); }
    // Answer used when the queue is empty.
    void setDefaultAnswer(Answer a) { m_default = a; }
    // Queues an expectation: the next message must be of this kind and text.
    void expect(Kind kind, const QString &text, Answer a = Answer::Ok);

    QList<Message> messages;
    QStringList focused;
    // Expectation mismatches, in order; empty when every expectation held.
    QStringList failures;

    QStringList texts() const;
    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }
    int pendingExpectations() const { return static_cast<int>(m_expected.size()); }
    void clear();

private:
    Answer take(Kind kind, const QString &text);
    struct Expected {
        Kind kind;
        QString text;
        Answer answer;
    };
    QList<Expected> m_expected;
    QList<Answer> m_answers;
    QList<std::optional<QString>> m_passwords;
    Answer m_default = Answer::No;
};

// Progress of a long operation.
class Progress {
public:
    virtual ~Progress();
    virtual void setLabel(const QString &) {}
    virtual void setRange(qint64 /*maximum*/) {}
    virtual void setValue(qint64 /*value*/) {}
};

// The do-nothing progress, for callers that do not show any.
Progress &noProgress();

} // namespace quirels
