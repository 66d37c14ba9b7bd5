#pragma once

#include "restartplan.h"

class QWidget;

namespace zentrel {

// The question at start after an abnormal end. An interface so that tests can answer it.
class RestartAsker
{
public:
    virtual ~RestartAsker() = default;
    virtual RestartAnswer ask(QWidget *parent, const RestartPlan &plan) = 0;
};

// A modal box with 「続きから再開」 (the default; left out when the clock cannot go on),
// 「停止時点から（一時停止）」 and 「最初から」, which Esc and the close button mean too.
class RestartBox : public RestartAsker
{
public:
    RestartAnswer ask(QWidget *parent, const RestartPlan &plan) override;
};

} // namespace zentrel
