#pragma once

#include <QString>

class QImage;
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
    // With a picture beside the text (the about box's QR code); the text alone by default.
    virtual void showWithPicture(QWidget *parent, const QString &text, const QImage &)
    {
        show(parent, text, MessageButtons::Ok);
    }
};

class MessageBoxPresenter : public MessagePresenter
{
public:
    MessageAnswer show(QWidget *parent, const QString &text, MessageButtons buttons) override;
    void showWithPicture(QWidget *parent, const QString &text, const QImage &picture) override;
};

} // namespace zentrel
