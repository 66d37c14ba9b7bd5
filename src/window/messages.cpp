#include "messages.h"

#include "texts.h"

#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>

namespace zentrel {

MessageAnswer MessageBoxPresenter::show(QWidget *parent, const QString &text,
                                        MessageButtons buttons)
{
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromUtf8(MessageTitle));
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    if (buttons == MessageButtons::Ok) {
        box.setStandardButtons(QMessageBox::Ok);
    } else {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(buttons == MessageButtons::OkCancelOkDefault ? QMessageBox::Ok
                                                                          : QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel); // Esc and the close button answer Cancel
    }
    // exec() runs a nested event loop: the clock keeps ticking while the box waits.
    return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

void MessageBoxPresenter::showWithPicture(QWidget *parent, const QString &text,
                                          const QImage &picture)
{
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromUtf8(MessageTitle));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    if (!picture.isNull())
        box.setIconPixmap(QPixmap::fromImage(picture));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

} // namespace zentrel
