#pragma once

#include <QObject>
#include <QQuickView>
#include <QVariantMap>

#include <functional>

namespace kindora {

// The setup wizard's window, "Set Up Kindora": shown while the wizard has a step, hidden when it has
// none. Closing it by hand (its close button or Escape) closes the wizard. Created once, reused.
class WizardWindow final : public QObject {
    Q_OBJECT
public:
    WizardWindow(QQmlEngine& engine, std::function<void()> onClosedByUser);

    // Loads the QML, which shows `properties` (its required properties by name).
    void load(const QVariantMap& properties);
    // Shows it centred on the screen and brings it to the front; hides it.
    void setShown(bool shown);
    QQuickView& view() { return view_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QQuickView view_;
    std::function<void()> onClosedByUser_;
};

}  // namespace kindora
