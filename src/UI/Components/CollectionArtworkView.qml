import QtQuick
import Lirna.UI

// The cover of a collection of songs: the first album's cover alone, or,
// from four albums on, a 2×2 collage of the first four albums' covers at half
// the size. Only a single cover reports its image through `onImage`.
//   songs        the collection's songs (a QList<Song> from C++)
//   size         the side in points
//   cornerRadius the outer corners' radius in points
//   client       an ArtworkClient; null: the application's
Item {
    id: root

    property alias songs: covers.songs
    property real size: 0
    property real cornerRadius: 0
    property ArtworkClient client: null
    readonly property bool collage: covers.collage

    signal image(var cover)

    implicitWidth: size
    implicitHeight: size
    Accessible.ignored: true

    CollectionCovers { id: covers }

    Loader {
        anchors.fill: parent
        sourceComponent: covers.collage ? collageView : singleView
    }

    Component {
        id: singleView
        ArtworkView {
            objectName: "collectionCover"
            coverArt: covers.first
            client: root.client
            requestSize: root.size
            cornerRadius: root.cornerRadius
            onImage: cover => root.image(cover)
        }
    }

    // Each quadrant rounds only its outer corner, which draws the collage
    // clipped to the rounded square while every quadrant keeps its hairline.
    Component {
        id: collageView
        Grid {
            columns: 2
            spacing: 0
            Repeater {
                model: [CoverImage.TopLeft, CoverImage.TopRight, CoverImage.BottomLeft, CoverImage.BottomRight]
                ArtworkView {
                    required property int index
                    required property int modelData
                    objectName: "collageCover"
                    width: root.width / 2
                    height: root.height / 2
                    coverArt: covers.covers[index]
                    client: root.client
                    requestSize: root.size * 0.5
                    cornerRadius: root.cornerRadius
                    roundedCorners: modelData
                }
            }
        }
    }
}
