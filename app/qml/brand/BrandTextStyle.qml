pragma Singleton
import QtQuick

// The named text styles of every Kindora screen, as pixel sizes; the weight is chosen where a style is
// used. Digits that change every second (a countdown) are set in BrandTabularText, so that they keep
// their places.
QtObject {
    // A step's or an alert's title.
    readonly property int title: 20
    // The meeting takeover's countdown.
    readonly property int title2: 22
    // The meeting takeover's buttons.
    readonly property int title3: 20
    // The product name where it stands alone.
    readonly property int headline: 17
    // The product name in the popover's header.
    readonly property int subheadline: 13
    readonly property int body: 13
    readonly property int callout: 12
    readonly property int caption: 11
    // A meeting's title across the takeover, and each title of meetings taken over together.
    readonly property int display: 44
    readonly property int display2: 28
    // The pairing code.
    readonly property int code: 30
}
