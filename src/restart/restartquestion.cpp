#include "restartquestion.h"

#include "window/texts.h"

#include <QMessageBox>
#include <QPushButton>

namespace zentrel {

RestartAnswer RestartBox::ask(QWidget *parent, const RestartPlan &plan)
{
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromUtf8(MessageTitle));
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(restartQuestion(plan));
    QPushButton *go = plan.canContinue
        ? box.addButton(answerText(RestartAnswer::Continue), QMessageBox::AcceptRole)
        : nullptr;
    QPushButton *stop = box.addButton(answerText(RestartAnswer::FromStop), QMessageBox::ActionRole);
    QPushButton *fresh = box.addButton(answerText(RestartAnswer::Fresh), QMessageBox::RejectRole);
    box.setDefaultButton(go ? go : stop);
    box.setEscapeButton(fresh);
    box.exec();
    if (box.clickedButton() == go && go)
        return RestartAnswer::Continue;
    return box.clickedButton() == stop ? RestartAnswer::FromStop : RestartAnswer::Fresh;
}

} // namespace zentrel
