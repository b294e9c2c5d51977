#include "pagestore/byte_stream.h"
#include "pagestore/graphic_surface.h"
#include "platform/error.h"
#include "support/test_support.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace rl;

namespace {

QByteArray le32(std::int32_t v) {
    QByteArray b;
    ByteWriter(b).int32(v);
    return b;
}

// The size field of the first object entry of a page with no variables and no fonts.
std::int32_t firstObjectSize(const QByteArray& page) {
    ByteReader r(page.constData() + 39, 4);
    return r.int32();
}

template <class T> QByteArray pageWithOne(const std::function<void(T&)>& fill = {}) {
    TRLGraphicSurface page;
    T& object = page.AddObject<T>();
    if (fill) fill(object);
    return page.SaveToBytes();
}

} // namespace

TEST(PageSerialization, EmptyPageIs38BytesExactly) {
    TRLGraphicSurface page;
    const QByteArray expected =
        QByteArray("RLGraphicSurface3\x1A", 18) + le32(0) + le32(0) + le32(0) + le32(0) + le32(0);
    const QByteArray actual = page.SaveToBytes();
    EXPECT_EQ(actual.size(), 38);
    EXPECT_EQ(actual, expected) << test::firstDifference(expected, actual);
}

TEST(PageSerialization, PageWithVariablesFontsAndTextIsByteExact) {
    TRLGraphicSurface page;
    page.Width = 1056;
    page.Height = 816;
    page.SetOrientation(2);
    page.DrawFont.Name = "Orator10 BT";
    page.DrawFont.Size = 7;
    page.DrawBrush.Style = std::uint8_t(BrushStyle::Clear);
    auto& text = page.TextRect({10, 20, 110, 29}, 10, 20, "Ol\xe1", haLeft, vaTop, 5);
    text.Group = 7;

    QByteArray expected = QByteArray("RLGraphicSurface3\x1A", 18);
    expected += le32(1056) + le32(816);
    expected += le32(1) + le32(13) + "Orientation=2";
    expected += le32(1) + le32(11) + "Orator10 BT";
    expected += le32(1);
    expected += char(4) + le32(69); // text kind, 66 + 3 bytes of data
    expected += le32(10) + le32(20) + le32(110) + le32(29) + le32(7) + le32(0);
    expected += QByteArray("\x01\x01", 2) + le32(10) + le32(20) + QByteArray("\x05\x00", 2);
    expected += le32(3) + QByteArray("Ol\xe1");
    expected += QByteArray("\xff\xff\xff\x02", 4);                // brush: white, clear
    expected += le32(96) + char(1) + QByteArray("\0\0\0", 3);     // ppi, charset, colour
    expected += le32(-9) + le32(0) + char(1) + le32(7) + char(0); // height, name index, pitch, size, style
    const QByteArray actual = page.SaveToBytes();
    EXPECT_EQ(actual, expected) << test::firstDifference(expected, actual);
}

TEST(PageSerialization, ObjectDataSizesFollowTheFormat) {
    EXPECT_EQ(firstObjectSize(pageWithOne<TRLPixelObject>()), 27);
    EXPECT_EQ(firstObjectSize(pageWithOne<TRLLineObject>()), 53);
    EXPECT_EQ(firstObjectSize(pageWithOne<TRLRectangleObject>()), 37);
    EXPECT_EQ(firstObjectSize(pageWithOne<TRLTextObject>()), 66);
    EXPECT_EQ(firstObjectSize(pageWithOne<TRLTextObject>([](auto& t) { t.Text = "abcd"; })), 70);
    EXPECT_EQ(firstObjectSize(pageWithOne<TRLFillRectObject>()), 28);
    EXPECT_EQ(firstObjectSize(pageWithOne<TRLEllipseObject>()), 37);
    EXPECT_EQ(firstObjectSize(pageWithOne<TRLPolygonObject>([](auto& p) {
                  p.Points = {{1, 2}, {3, 4}, {5, 6}};
              })),
              41 + 24);
    EXPECT_EQ(firstObjectSize(pageWithOne<TRLPolylineObject>([](auto& p) {
                  p.Points = {{1, 2}, {3, 4}};
              })),
              37 + 16);
    // An absent picture is stored as the three bytes "NIL".
    const QByteArray image = pageWithOne<TRLImageObject>();
    EXPECT_EQ(firstObjectSize(image), 29 + 3);
    EXPECT_EQ(image.mid(43 + 24, 7), le32(3) + "NIL");
    EXPECT_EQ(firstObjectSize(pageWithOne<TRLSetClipRectObject>()), 24);
    EXPECT_EQ(firstObjectSize(pageWithOne<TRLResetClipRectObject>()), 24);
}

TEST(PageSerialization, EveryKindRoundTripsFieldForField) {
    TRLGraphicSurface page;
    page.Width = 800;
    page.Height = 600;
    page.Variables.setValue("Title", "Relat\xf3rio");
    page.AddObject<TRLPixelObject>().Color = {1, 2, 3};
    auto& line = page.AddObject<TRLLineObject>();
    line.StartPoint = {-5, 7};
    line.EndPoint = {100, -200};
    line.Pen = {{9, 8, 7}, 15, 3, 4};
    line.Brush = {{1, 1, 1}, 7};
    auto& text = page.AddObject<TRLTextObject>();
    text.Text = "";
    text.Options = 0xffff;
    text.SetFontName("Courier");
    auto& image = page.AddObject<TRLImageObject>();
    image.PictureData = QByteArray("BMP\x00\x01\x02", 6);
    image.IntegralScale = true;
    page.AddObject<TRLPolygonObject>().Points = {{1, 1}, {2, 2}};
    page.AddObject<TRLSetClipRectObject>().Bounds = {1, 2, 3, 4};

    const QByteArray first = page.SaveToBytes();
    TRLGraphicSurface copy;
    EXPECT_EQ(copy.LoadFromBytes(first.constData(), first.size()), first.size());
    EXPECT_FALSE(copy.IsDirty);
    ASSERT_EQ(copy.ObjectCount(), 6);
    EXPECT_EQ(copy.Width, 800);
    EXPECT_EQ(copy.Variables.value("title"), "Relat\xf3rio");
    const auto& line2 = static_cast<const TRLLineObject&>(*copy.Objects(1));
    EXPECT_EQ(line2.EndPoint, (PagePoint{100, -200}));
    EXPECT_EQ(line2.Pen, line.Pen);
    const auto& text2 = static_cast<const TRLTextObject&>(*copy.Objects(2));
    EXPECT_EQ(text2.Text, "");
    EXPECT_EQ(text2.Options, 0xffff);
    EXPECT_EQ(text2.FontName(), "Courier");
    const auto& image2 = static_cast<const TRLImageObject&>(*copy.Objects(3));
    EXPECT_EQ(image2.PictureData, image.PictureData);
    EXPECT_TRUE(image2.IntegralScale);
    EXPECT_EQ(copy.SaveToBytes(), first);
}

TEST(PageSerialization, UnknownKindIsSkippedByItsSize) {
    TRLGraphicSurface page;
    page.AddObject<TRLPixelObject>().Color = {1, 2, 3};
    page.AddObject<TRLFillRectObject>().Bounds = {4, 5, 6, 7};
    QByteArray bytes = page.SaveToBytes();
    // Splice an entry of kind 12 with five bytes of data before the second object.
    const qsizetype secondEntry = 18 + 8 + 4 + 4 + 4 + (1 + 4 + 27);
    bytes.insert(secondEntry, char(12) + le32(5) + QByteArray("xxxxx"));
    bytes.replace(34, 4, le32(3));

    TRLGraphicSurface copy;
    copy.LoadFromBytes(bytes.constData(), bytes.size());
    ASSERT_EQ(copy.ObjectCount(), 2);
    EXPECT_EQ(copy.Objects(1)->kind(), ObjectKind::FillRect);
    EXPECT_EQ(copy.Objects(1)->Bounds, (PageRect{4, 5, 6, 7}));
}

TEST(PageSerialization, WrongSignatureIsFileIsCorrupted) {
    QByteArray bytes = TRLGraphicSurface().SaveToBytes();
    bytes[16] = '4';
    TRLGraphicSurface page;
    try {
        page.LoadFromBytes(bytes.constData(), bytes.size());
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "File is corrupted!");
    }
    // A signature without its closing byte within 20 bytes is refused too.
    const QByteArray noEnd(40, 'R');
    EXPECT_THROW(page.LoadFromBytes(noEnd.constData(), noEnd.size()), Error);
}

TEST(PageSerialization, EveryTruncationFailsCleanly) {
    TRLGraphicSurface page;
    page.Variables.setValue("PaperWidth", "215.9000");
    page.TextRect({0, 0, 10, 10}, 0, 0, "texto", haLeft, vaTop, 5);
    page.AddObject<TRLPolylineObject>().Points = {{1, 1}, {2, 2}};
    const QByteArray bytes = page.SaveToBytes();
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        TRLGraphicSurface partial;
        EXPECT_THROW(partial.LoadFromBytes(bytes.constData(), n), Error) << "length " << n;
        EXPECT_EQ(partial.ObjectCount(), 0);
    }
}

TEST(PageSerialization, AbsurdCountsAndLengthsFailWithoutAllocating) {
    const QByteArray head = QByteArray("RLGraphicSurface3\x1A", 18) + le32(10) + le32(10);
    const QByteArray cases[] = {
        head + le32(2000000000),                                 // variables
        head + le32(0) + le32(-1),                               // fonts
        head + le32(0) + le32(0) + le32(2000000000),             // objects
        head + le32(1) + le32(0x7fffffff) + "x",                 // a string beyond the data
        head + le32(0) + le32(0) + le32(1) + char(7) + le32(0) + // polygon with a huge point count
            QByteArray(24 + 13, '\0') + le32(1000000000),
        head + le32(0) + le32(0) + le32(1) + char(12) + le32(-4), // negative skip
    };
    for (const QByteArray& bytes : cases) {
        TRLGraphicSurface page;
        EXPECT_THROW(page.LoadFromBytes(bytes.constData(), bytes.size()), Error);
    }
}

TEST(PageSerialization, StreamInterfaceReadsFromTheCurrentPosition) {
    TRLGraphicSurface page;
    page.Width = 42;
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    buffer.write("junk");
    page.SaveToStream(buffer);
    buffer.write("tail");
    buffer.seek(4);
    TRLGraphicSurface copy;
    copy.LoadFromStream(buffer);
    EXPECT_EQ(copy.Width, 42);
    EXPECT_EQ(buffer.pos(), 4 + 38);
}
