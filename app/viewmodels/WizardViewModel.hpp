#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <memory>
#include <optional>

#include "core/agent/Agent.hpp"
#include "core/common/BackgroundTask.hpp"
#include "core/common/RetiredTasks.hpp"
#include "core/lifecycle/SetupStep.hpp"

namespace kindora {

// The setup wizard window's content: which step shows (the last one while the window closes), the
// steps left, the step actions, and on the access step a check every 2 seconds that tells the user
// once the Messages database has become readable. Main thread only.
class WizardViewModel final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the desktop front end")
    Q_PROPERTY(Step step READ step NOTIFY changed)
    Q_PROPERTY(bool open READ open NOTIFY changed)
    Q_PROPERTY(QString stepsLeft READ stepsLeft NOTIFY changed)
    Q_PROPERTY(bool grantDetected READ grantDetected NOTIFY changed)

public:
    // Capitalised, as QML reads enum values.
    enum class Step { Welcome, FullDiskAccess, Pairing, Preferences, Done };
    Q_ENUM(Step)

    WizardViewModel(Agent& agent, QObject* parent = nullptr);
    ~WizardViewModel() override;

    Step step() const;
    bool open() const { return agent_.setupWizardController().step().has_value(); }
    QString stepsLeft() const;
    bool grantDetected() const { return grantDetected_; }

    Q_INVOKABLE void advanceFromWelcome();
    Q_INVOKABLE void advanceToDone();
    Q_INVOKABLE void finish();
    // The window was closed by hand: the wizard closes.
    Q_INVOKABLE void close();
    Q_INVOKABLE void startPairing();

signals:
    void changed();

private:
    void stepChanged(const std::optional<SetupStep>& step);
    void watchForAccess();

    Agent& agent_;
    SetupStep lastStep_ = SetupStep::welcome;
    bool grantDetected_ = false;
    Subscription subscription_;
    // Last: destroying it stops the access check before the fields it reports into go.
    RetiredTasks retiredChecks_;  // a check may be waiting on the database for seconds
    std::unique_ptr<BackgroundTask> accessCheck_;
};

}  // namespace kindora
