#pragma once

#include <QWidget>

class QFrame;
class QLabel;

namespace velt {

// The notice shown while the album switch runs: a framed line asking the user to wait. No
// handlers of its own.
class FrmModeChange : public QWidget
{
    Q_OBJECT
public:
    explicit FrmModeChange(QWidget *parent = nullptr);

    QFrame *Shape1 = nullptr;
    QLabel *Label1 = nullptr;
};

} // namespace velt
