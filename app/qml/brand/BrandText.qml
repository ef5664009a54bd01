import QtQuick
import "."

// Body text on the dark background, read out by screen readers.
Text {
    color: BrandPalette.textPrimary
    font.pixelSize: BrandPalette.bodySize
    wrapMode: Text.Wrap
    Accessible.role: Accessible.StaticText
    Accessible.name: text
}
