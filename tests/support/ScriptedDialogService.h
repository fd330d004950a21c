#pragma once

#include "platform/DialogService.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <functional>

namespace tarnwick::test {

// Answers every modal prompt from a script instead of showing it. Each prompt is recorded; one
// that nobody scripted, or of another kind than the next scripted answer, is noted as unexpected
// (and answered with Cancel / the last button) so that verify() fails the test afterwards.
class ScriptedDialogService : public platform::DialogService
{
public:
    enum class Kind { Open, Save, Print, Message };

    struct Prompt
    {
        Kind kind;
        QString title;
        QString text;
        int style = 0;
        QString initialDirectory;
        QString fileName;
        QString filter;
        int flags = 0;
    };

    // Scripted answers, consumed in order.
    void answerOpen(const QString& fileName);
    void answerSave(const QString& fileName);
    void cancelOpen();
    void cancelSave();
    // pdfFile, when given, is what the user picked: printing into that PDF file.
    void answerPrint(bool selectionOnly = false, const QString& pdfFile = QString());
    void cancelPrint();
    void answerMessage(int answer);

    // Runs inside every prompt before it is answered, as a real modal dialog would run the event loop.
    std::function<void(const Prompt&)> duringPrompt;
    int deepestNesting() const { return m_deepest; }

    QList<Prompt> prompts() const { return m_prompts; }
    Prompt lastPrompt() const { return m_prompts.isEmpty() ? Prompt{} : m_prompts.constLast(); }
    // Empty when every prompt was scripted and every scripted answer used; else what went wrong.
    QString verify() const;
    void reset();

    platform::FileDialogAnswer showOpen(QWidget* parent, const platform::FileDialogRequest& request) override;
    platform::FileDialogAnswer showSave(QWidget* parent, const platform::FileDialogRequest& request) override;
    platform::PrintDialogAnswer showPrint(QWidget* parent, QPrinter* printer,
                                          const platform::PrintDialogRequest& request) override;
    int messageBox(QWidget* parent, const QString& text, int style, const QString& title) override;

private:
    struct Answer
    {
        Kind kind;
        bool accept = true;
        QString fileName;
        int button = 0;
        bool selectionOnly = false;
    };
    bool take(Kind kind, const Prompt& prompt, Answer* answer);
    platform::FileDialogAnswer fileAnswer(Kind kind, const platform::FileDialogRequest& request);

    QQueue<Answer> m_answers;
    int m_depth = 0;
    int m_deepest = 0;
    QList<Prompt> m_prompts;
    QStringList m_problems;
};

} // namespace tarnwick::test

#define TARNWICK_VERIFY_DIALOGS(service)                                                                            \
    do {                                                                                                           \
        const QString problems__ = (service).verify();                                                             \
        QVERIFY2(problems__.isEmpty(), qPrintable(problems__));                                                    \
    } while (false)
