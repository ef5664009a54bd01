import QtQuick

// Secondary caption text, dimmed when its control is disabled.
Text {
    textFormat: Text.PlainText
    color: BrandPalette.textSecondary
    font.pixelSize: BrandTextStyle.caption
    wrapMode: Text.WordWrap
    opacity: enabled ? 1 : BrandPalette.disabledOpacity
    Accessible.role: Accessible.StaticText
    Accessible.name: text
}
