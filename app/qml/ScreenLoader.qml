import QtQuick

// Shows the item of `sourceComponent`, one screen at a time. The first one is built at once; every
// later one is built in the background, a few milliseconds between frames (the engine's incubation),
// while the screen before stays on show, and replaces it when it is complete: a change of screen (the
// agent paired, the wizard's next step) never holds the event loop for the whole building of a screen,
// and the window never shows a half-built or empty one.
FocusScope {
    id: root
    property Component sourceComponent
    readonly property Item item: shown.item as Item

    implicitWidth: item ? item.implicitWidth : 0
    implicitHeight: item ? item.implicitHeight : 0

    property Loader shown: first
    property Loader pending: second

    onSourceComponentChanged: {
        pending.asynchronous = shown.item !== null
        pending.sourceComponent = sourceComponent
    }

    function takeOver(loader) {
        if (loader !== pending || loader.item === null)
            return
        const previous = shown
        shown = loader
        pending = previous
        previous.sourceComponent = undefined
    }

    Loader {
        id: first
        anchors.fill: parent
        visible: root.shown === first
        focus: root.shown === first
        onLoaded: root.takeOver(first)
    }
    Loader {
        id: second
        anchors.fill: parent
        visible: root.shown === second
        focus: root.shown === second
        onLoaded: root.takeOver(second)
    }
}
