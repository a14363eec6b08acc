import QtQuick
import Lirna.UI

// One cover as a rounded square: the image, or the placeholder while there is
// none. `onImage` receives each image a load delivers (a QImage).
//   coverArt     the server's cover id; empty: no cover, no request
//   requestSize  the side it is shown at, in points (sets the size asked for)
//   cornerRadius the corners' radius in points
//   client       an ArtworkClient; null: the application's
CoverImage {
    id: root

    implicitWidth: requestSize
    implicitHeight: requestSize
    placeholderColor: Theme.artworkPlaceholder
    glyphColor: Theme.tertiaryLabel
    hairlineColor: Theme.artworkHairline

    Accessible.ignored: true
}
