#include "support/ScriptedDialogService.h"

#include "platform/MessageBox.h"

#include <QPrinter>

namespace tarnwick::test {

using namespace platform;

namespace {
QString kindName(ScriptedDialogService::Kind kind)
{
    switch (kind) {
    case ScriptedDialogService::Kind::Open:
        return QStringLiteral("open dialog");
    case ScriptedDialogService::Kind::Save:
        return QStringLiteral("save dialog");
    case ScriptedDialogService::Kind::Print:
        return QStringLiteral("print dialog");
    case ScriptedDialogService::Kind::Message:
        return QStringLiteral("message box");
    }
    return {};
}
} // namespace

void ScriptedDialogService::answerOpen(const QString& fileName)
{
    m_answers.enqueue({Kind::Open, true, fileName, 0, false});
}

void ScriptedDialogService::answerSave(const QString& fileName)
{
    m_answers.enqueue({Kind::Save, true, fileName, 0, false});
}

void ScriptedDialogService::cancelOpen()
{
    m_answers.enqueue({Kind::Open, false, {}, 0, false});
}

void ScriptedDialogService::cancelSave()
{
    m_answers.enqueue({Kind::Save, false, {}, 0, false});
}

void ScriptedDialogService::answerPrint(bool selectionOnly, const QString& pdfFile)
{
    m_answers.enqueue({Kind::Print, true, pdfFile, 0, selectionOnly});
}

void ScriptedDialogService::cancelPrint()
{
    m_answers.enqueue({Kind::Print, false, {}, 0, false});
}

void ScriptedDialogService::answerMessage(int answer)
{
    m_answers.enqueue({Kind::Message, true, {}, answer, false});
}

QString ScriptedDialogService::verify() const
{
    QStringList problems = m_problems;
    for (const Answer& answer : m_answers)
        problems << QStringLiteral("scripted %1 answer never used").arg(kindName(answer.kind));
    return problems.join(QLatin1Char('\n'));
}

void ScriptedDialogService::reset()
{
    m_answers.clear();
    m_prompts.clear();
    m_problems.clear();
}

bool ScriptedDialogService::take(Kind kind, const Prompt& prompt, Answer* answer)
{
    m_prompts << prompt;
    if (duringPrompt) {
        ++m_depth;
        m_deepest = qMax(m_deepest, m_depth);
        duringPrompt(prompt);
        --m_depth;
    }
    const QString shown = QStringLiteral("%1 \"%2\" %3").arg(kindName(kind), prompt.title, prompt.text);
    if (m_answers.isEmpty()) {
        m_problems << QStringLiteral("unexpected ") + shown;
        return false;
    }
    if (m_answers.head().kind != kind) {
        m_problems << QStringLiteral("expected a %1, got ").arg(kindName(m_answers.head().kind)) + shown;
        return false;
    }
    *answer = m_answers.dequeue();
    return true;
}

FileDialogAnswer ScriptedDialogService::fileAnswer(Kind kind, const FileDialogRequest& request)
{
    Prompt prompt{kind, request.title, {}, 0, request.initialDirectory, request.fileName, request.filter,
                  request.flags};
    Answer answer;
    FileDialogAnswer result;
    result.filterIndex = request.filterIndex;
    if (!take(kind, prompt, &answer) || !answer.accept) {
        result.outcome = DialogOutcome::Cancelled;
        return result;
    }
    result.outcome = DialogOutcome::Accepted;
    result.fileName = answer.fileName;
    return result;
}

FileDialogAnswer ScriptedDialogService::showOpen(QWidget*, const FileDialogRequest& request)
{
    return fileAnswer(Kind::Open, request);
}

FileDialogAnswer ScriptedDialogService::showSave(QWidget*, const FileDialogRequest& request)
{
    return fileAnswer(Kind::Save, request);
}

PrintDialogAnswer ScriptedDialogService::showPrint(QWidget*, QPrinter* printer, const PrintDialogRequest& request)
{
    Prompt prompt{Kind::Print, request.title, {}, 0, {}, {}, {}, request.flags};
    Answer answer;
    PrintDialogAnswer result;
    if (!take(Kind::Print, prompt, &answer) || !answer.accept) {
        result.outcome = DialogOutcome::Cancelled;
        return result;
    }
    result.outcome = DialogOutcome::Accepted;
    result.selectionOnly = answer.selectionOnly;
    if (printer && !answer.fileName.isEmpty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(answer.fileName);
    }
    return result;
}

int ScriptedDialogService::messageBox(QWidget*, const QString& text, int style, const QString& title)
{
    Prompt prompt{Kind::Message, title, text, style, {}, {}, {}, 0};
    Answer answer;
    if (!take(Kind::Message, prompt, &answer)) {
        switch (style & MsgBox::ButtonsMask) {
        case MsgBox::YesNo:
            return MsgBox::No;
        case MsgBox::OKOnly:
            return MsgBox::OK;
        default:
            return MsgBox::Cancel;
        }
    }
    return answer.button;
}

} // namespace tarnwick::test
