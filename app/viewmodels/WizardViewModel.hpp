#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>
#include <vector>

#include "core/common/Observable.hpp"
#include "core/lifecycle/SetupStep.hpp"
#include "core/lifecycle/SetupWizardController.hpp"

namespace kindora {

// The setup wizard window's content: which step shows (the last one while the window closes), the
// steps left, the step actions, and on the access step whether access has been granted meanwhile.
// Main thread only.
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

    // `grantDetected` tells, on the access step, that the database has become readable.
    WizardViewModel(SetupWizardController& wizard, const Observable<bool>& grantDetected,
                    QObject* parent = nullptr);

    Step step() const;
    bool open() const { return wizard_.step().has_value(); }
    QString stepsLeft() const;
    bool grantDetected() const { return grantDetected_.value(); }

    Q_INVOKABLE void advanceFromWelcome() { wizard_.advanceFromWelcome(); }
    Q_INVOKABLE void advanceToDone() { wizard_.advanceToDone(); }
    Q_INVOKABLE void finish() { wizard_.finish(); }
    // The window was closed by hand (its close button or Escape): the wizard closes, unfinished.
    Q_INVOKABLE void close();

signals:
    void changed();

private:
    void stepChanged(const std::optional<SetupStep>& step);

    SetupWizardController& wizard_;
    const Observable<bool>& grantDetected_;
    SetupStep lastStep_ = SetupStep::welcome;
    std::vector<Subscription> subscriptions_;
};

}  // namespace kindora
