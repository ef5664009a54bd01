#include "app/KindoraQmlModules.hpp"

#include <QString>

// Generated with each module: they register its C++ types and its QML files.
void qml_register_types_Kindora();
void qml_register_types_Kindora_Brand();

namespace kindora {

void useKindoraQmlModules(QQmlEngine& engine) {
    // The modules live in static libraries: taking the registrations' addresses links them in, and
    // with them the registrations that run when a view first imports the module.
    volatile auto views = &qml_register_types_Kindora;
    volatile auto brand = &qml_register_types_Kindora_Brand;
    static_cast<void>(views);
    static_cast<void>(brand);
    engine.addImportPath(QStringLiteral("qrc:/"));
}

}  // namespace kindora
