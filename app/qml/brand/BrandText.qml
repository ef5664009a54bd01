import QtQuick

// Body text on the dark background, read out by screen readers. Always plain text: what it shows may
// come from the household's backend or a calendar invite, and markup there must never render (or
// fetch an image).
Text {
    textFormat: Text.PlainText
    color: BrandPalette.textPrimary
    font.pixelSize: BrandTextStyle.body
    wrapMode: Text.Wrap
    Accessible.role: Accessible.StaticText
    Accessible.name: text
}
