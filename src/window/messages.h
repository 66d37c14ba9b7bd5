#pragma once

#include <QString>

class QWidget;

namespace zentrel {

enum class MessageButtons { Ok, OkCancelOkDefault, OkCancelCancelDefault };
enum class MessageAnswer { Ok, Cancel };

// Modal message boxes, titled with the application's title and without an icon. An
// interface so that window tests can answer them.
class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;
    virtual MessageAnswer show(QWidget *parent, const QString &text, MessageButtons buttons) = 0;
};

class MessageBoxPresenter : public MessagePresenter
{
public:
    MessageAnswer show(QWidget *parent, const QString &text, MessageButtons buttons) override;
};

} // namespace zentrel
