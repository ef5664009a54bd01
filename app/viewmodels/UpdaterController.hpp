#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>
#include <QString>

#include <functional>
#include <vector>

#include "core/common/Observable.hpp"
#include "core/update/Updater.hpp"

namespace kindora {

// The popover's update row over the agent's updater: the pending update, the one button ("Check for
// Updates…", "View Update" or "Install Update…") and why the last step failed. The button activates the
// application, then checks (which downloads a found update) or installs the downloaded one through the
// system's package manager and relaunches into it. Nothing here brings a window forward by itself: a
// scheduled check that finds an update only changes the row. Main thread only.
class UpdaterController final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the desktop front end")
    Q_PROPERTY(QString pendingText READ pendingText NOTIFY changed)
    Q_PROPERTY(QString actionTitle READ actionTitle NOTIFY changed)
    Q_PROPERTY(bool actionEnabled READ actionEnabled NOTIFY changed)
    Q_PROPERTY(QString caption READ caption NOTIFY changed)
    // The caption says why something failed (rather than what is being installed).
    Q_PROPERTY(bool captionIsError READ captionIsError NOTIFY changed)

public:
    UpdaterController(Updater& updater, std::function<void()> activateApplication, std::function<void()> relaunch,
                      QObject* parent = nullptr);

    QString pendingText() const;
    QString actionTitle() const;
    bool actionEnabled() const;
    QString caption() const;
    bool captionIsError() const;

    // The row's button.
    Q_INVOKABLE void performAction();

signals:
    void changed();

private:
    Updater& updater_;
    std::function<void()> activateApplication_;
    std::function<void()> relaunch_;
    std::vector<Subscription> subscriptions_;
};

}  // namespace kindora
