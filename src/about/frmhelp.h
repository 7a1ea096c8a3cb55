#pragma once

#include <QDialog>

class QTextBrowser;

namespace velt {

// The help window: the program's help document, read-only. Esc closes it. Opened modally from
// the about window and modeless with F1 from the main window.
class FrmHelp : public QDialog
{
    Q_OBJECT
public:
    explicit FrmHelp(QWidget *parent = nullptr);

    // True when the key was the window's own (Esc).
    bool Form_KeyDown(int key);

    QTextBrowser *RichTextBox1 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace velt
