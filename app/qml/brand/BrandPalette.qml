pragma Singleton
import QtQuick

// The brand colours (sRGB) of every Kindora screen, and the opacities that mark a control's state.
QtObject {
    readonly property color background: "#101216"
    readonly property color surface: "#1B1D24"
    readonly property color border: "#33363F"
    readonly property color textPrimary: "#C9CCD3"
    readonly property color textSecondary: "#8A8F9A"
    readonly property color accent: "#7D5CE8"
    readonly property color accentPressed: "#6D48E5"
    readonly property color healthy: "#3FB950"
    readonly property color degraded: "#E5484D"

    readonly property real disabledOpacity: 0.45
    readonly property real unarmedOpacity: 0.6
    readonly property real primaryPressedOpacity: 0.92
    readonly property real secondaryPressedOpacity: 0.7
}
