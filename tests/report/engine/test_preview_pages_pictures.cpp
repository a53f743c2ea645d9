// Pictures in built pages: stored once however many pages show them, back on rebuild and after a file round trip.
#include "StoreFixture.h"

#include "report/engine/qdzPictureCache.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzXML.h"

#include "platform/Streams.h"

#include <gtest/gtest.h>

namespace {

QByteArray Bytes(TPicture *P)
{
    return P && P->Graphic() ? P->Graphic()->SaveToBytes() : QByteArray();
}

} // namespace

TEST(BuiltPictures, APictureOnTenPagesIsStoredOnce)
{
    TStoreReport r;
    auto *pic = new TqdzPictureView(r.Band);
    pic->SetName(QStringLiteral("Picture1"));
    pic->SetBounds(300, 2, 40, 30);
    TBitmap bmp;
    bmp.SetSize(8, 6);
    bmp.Canvas()->Brush()->SetColor(clRed);
    bmp.Canvas()->FillRect(TRect(0, 0, 8, 6));
    pic->Picture()->SetGraphic(&bmp);
    const QByteArray original = Bytes(pic->Picture());
    ASSERT_FALSE(original.isEmpty());

    r.Build({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_EQ(r.Store->PictureCache()->Count(), 1);
    EXPECT_EQ(pic->ImageIndex(), 1);
    // The stored template copy carries no picture bytes.
    auto *copy = dynamic_cast<TqdzPictureView *>(pic->SourceLink());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Picture()->Graphic(), nullptr);
    EXPECT_FALSE(copy->BaseName().contains(QStringLiteral("Picture.Data")));

    for (int i : {0, 9}) {
        auto *built = dynamic_cast<TqdzPictureView *>(r.Store->GetPage(i)->FindObject(QStringLiteral("Picture1")));
        ASSERT_NE(built, nullptr) << i;
        EXPECT_EQ(built->ImageIndex(), 1);
        EXPECT_EQ(Bytes(built->Picture()), original) << i;
    }

    TMemoryStream s;
    r.Store->SaveToStream(&s);
    s.SetPosition(0);
    TStoreReport loaded;
    loaded.Store->LoadFromStream(&s);
    ASSERT_EQ(loaded.Store->PictureCache()->Count(), 1);
    auto *back = dynamic_cast<TqdzPictureView *>(loaded.Store->GetPage(4)->FindObject(QStringLiteral("Picture1")));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Bytes(back->Picture()), original);
}
