#pragma once

#include <QMainWindow>
#include <QTextBrowser>

class QHelpEngine;
class QLineEdit;
class QTabWidget;

namespace tarnwick::help {

// Shows the pages of a Qt Help collection, resolving qthelp: addresses through the engine.
class HelpBrowser : public QTextBrowser
{
    Q_OBJECT
public:
    explicit HelpBrowser(QWidget* parent = nullptr);
    void setEngine(QHelpEngine* engine) { m_engine = engine; }
    QVariant loadResource(int type, const QUrl& name) override;

private:
    QHelpEngine* m_engine = nullptr;
};

// The program's help viewer over one help file: its contents and its keyword index beside the page
// being read. A help file that is missing or cannot be read is reported in the window itself.
class HelpWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit HelpWindow(const QString& helpFile, QWidget* parent = nullptr);
    ~HelpWindow() override;

    QString helpFile() const { return m_helpFile; }
    // Empty when the help file opened; else what the window tells the user.
    QString problem() const { return m_problem; }

    // The first page of the contents.
    void showContents();
    // The keyword index, filtered by keyword; an empty keyword lists every keyword.
    void showIndex(const QString& keyword);

    HelpBrowser* browser() const { return m_browser; }
    QTabWidget* tabs() const { return m_tabs; }
    QLineEdit* keywordEdit() const { return m_keyword; }
    QHelpEngine* engine() const { return m_engine; }

private:
    void openHelpFile();
    void reportProblem(const QString& text);
    void openContentsPage();
    void applyKeyword();

    QString m_helpFile;
    QString m_problem;
    QHelpEngine* m_engine = nullptr;
    QTabWidget* m_tabs;
    QLineEdit* m_keyword;
    HelpBrowser* m_browser;
    bool m_contentsPending = false;
};

} // namespace tarnwick::help
