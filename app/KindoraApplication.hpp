#pragma once

#include <QApplication>

namespace kindora {

// The application object. An exception that escapes an event handler is logged in category "Crash"
// (type, reason and stack) and the event counts as unhandled; the agent keeps running instead of
// terminating with its data half-written.
class KindoraApplication final : public QApplication {
    Q_OBJECT
public:
    KindoraApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace kindora
