// The outline tree, anchors and logical page numbers of the built-page store.
#include "qdzOutline.h"

#include "qdzPreviewPages.h"

#include "platform/SysUtils.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzVariables.h"
#include "report/model/qdzXML.h"

STATION_PUBLISHED(TqdzOutline) {}

namespace {

int IntProp(const TqdzXMLItem *Item, const QByteArray &Name, bool *Present = nullptr)
{
    const QByteArray v = Item->GetProp(Name);
    bool ok = false;
    const int n = v.toInt(&ok);
    if (Present)
        *Present = ok;
    return ok ? n : 0;
}

QByteArray ItemText(const QString &Text, int Page, int Top)
{
    return "text=\"" + StrToXML(Text.toUtf8()) + "\" page=\"" + QByteArray::number(Page) + "\" top=\""
           + QByteArray::number(Top) + '"';
}

void ShiftTree(TqdzXMLItem *Item, int Delta)
{
    Item->SetProp("page", QByteArray::number(IntProp(Item, "page") + 1));
    Item->SetProp("top", QByteArray::number(IntProp(Item, "top") + Delta));
    for (int i = 0; i < Item->Count(); ++i)
        ShiftTree(Item->GetItems(i), Delta);
}

TqdzXMLItem *RootChild(TqdzPreviewPages *Store, const QByteArray &Name)
{
    return Store->XMLDocument()->Root()->FindItem(Name);
}

} // namespace

// ------------------------------------------------------------ outline

TqdzOutline::TqdzOutline(TqdzCustomPreviewPages *APreviewPages) : TqdzCustomOutline(APreviewPages) {}

TqdzXMLItem *TqdzOutline::RootNode()
{
    auto *store = dynamic_cast<TqdzPreviewPages *>(PreviewPages());
    return store ? RootChild(store, "outline") : nullptr;
}

int TqdzOutline::GetCount()
{
    return CurItem() ? CurItem()->Count() : 0;
}

void TqdzOutline::AddItem(const QString &Text, int Top)
{
    if (!CurItem())
        return;
    TqdzXMLItem *item = CurItem()->Add();
    item->SetName("item");
    item->SetText(ItemText(Text, PreviewPages()->CurPage(), Top));
    SetCurItem(item);
}

void TqdzOutline::LevelDown(int Index)
{
    if (CurItem() && Index >= 0 && Index < CurItem()->Count())
        SetCurItem(CurItem()->GetItems(Index));
}

void TqdzOutline::LevelRoot()
{
    SetCurItem(RootNode());
}

void TqdzOutline::LevelUp()
{
    if (CurItem() && CurItem() != RootNode() && CurItem()->Parent())
        SetCurItem(CurItem()->Parent());
}

void TqdzOutline::GetItem(int Index, QString &Text, int &Page, int &Top)
{
    if (!CurItem() || Index < 0 || Index >= CurItem()->Count())
        return;
    TqdzXMLItem *item = CurItem()->GetItems(Index);
    Text = QString::fromUtf8(item->GetProp("text"));
    bool has;
    const int page = IntProp(item, "page", &has);
    if (has)
        Page = page;
    const int top = IntProp(item, "top", &has);
    if (has)
        Top = top;
}

void TqdzOutline::ShiftItems(TqdzXMLItem *From, int NewTop)
{
    if (!From || !From->Parent())
        return;
    TqdzXMLItem *parent = From->Parent();
    const int i = parent->IndexOf(From);
    if (i < 0 || i + 1 >= parent->Count())
        return;
    TqdzXMLItem *next = parent->GetItems(i + 1);
    ShiftTree(next, NewTop - IntProp(next, "top"));
}

void TqdzOutline::ShiftFirstItem(TqdzXMLItem *Level, int NewTop)
{
    if (!Level || Level->Count() == 0)
        return;
    TqdzXMLItem *first = Level->GetItems(0);
    ShiftTree(first, NewTop - IntProp(first, "top"));
}

TqdzXMLItem *TqdzOutline::GetLastItem()
{
    if (!CurItem() || CurItem()->Count() == 0)
        return nullptr;
    return CurItem()->GetItems(CurItem()->Count() - 1);
}

// ------------------------------------------------------------ anchors

void TqdzPreviewPages::AddAnchor(const QString &Text)
{
    TqdzXMLItem *item = RootChild(this, "anchors")->Add();
    item->SetName("item");
    item->SetText(ItemText(Text, CurPage(), Engine() ? Round(Engine()->CurY()) : 0));
}

int TqdzPreviewPages::GetAnchorPage(const QString &Text)
{
    TqdzXMLItem *anchors = RootChild(this, "anchors");
    for (int i = anchors->Count() - 1; i >= 0; --i) {
        TqdzXMLItem *item = anchors->GetItems(i);
        if (QString::fromUtf8(item->GetProp("text")).compare(Text, Qt::CaseInsensitive) == 0)
            return IntProp(item, "page") + 1;
    }
    return 1;
}

int TqdzPreviewPages::GetAnchorCurPosition()
{
    return RootChild(this, "anchors")->Count() - 1;
}

void TqdzPreviewPages::ShiftAnchors(int From, int NewTop)
{
    TqdzXMLItem *anchors = RootChild(this, "anchors");
    if (From + 1 < 0 || From + 1 >= anchors->Count())
        return;
    const int delta = NewTop - IntProp(anchors->GetItems(From + 1), "top");
    for (int i = From + 1; i < anchors->Count(); ++i) {
        TqdzXMLItem *item = anchors->GetItems(i);
        item->SetProp("page", QByteArray::number(IntProp(item, "page") + 1));
        item->SetProp("top", QByteArray::number(IntProp(item, "top") + delta));
    }
}

// ------------------------------------------------------------ logical page numbers

namespace {

// The numbers of the first pass of two are kept for the final one.
bool KeepsNumbers(TqdzCustomEngine *Engine)
{
    return Engine && Engine->DoublePass() && Engine->FinalPass();
}

} // namespace

void TqdzPreviewPages::IncLogicalPageNumber()
{
    if (KeepsNumbers(Engine()))
        return;
    ++FLogicalPageCounter;
    TqdzXMLItem *item = RootChild(this, "logicalpagenumbers")->Add();
    item->SetName("page");
    item->SetText("n=\"" + QByteArray::number(FLogicalPageCounter) + '"');
}

void TqdzPreviewPages::ResetLogicalPageNumber()
{
    if (KeepsNumbers(Engine()))
        return;
    TqdzXMLItem *numbers = RootChild(this, "logicalpagenumbers");
    for (int i = CurPage(); i > FPassFirstPage; --i) {
        if (i < 0 || i >= numbers->Count())
            continue;
        TqdzXMLItem *item = numbers->GetItems(i);
        item->SetProp("t", QByteArray::number(FLogicalPageCounter));
        if (item->GetProp("n") == "1")
            break;
    }
    FLogicalPageCounter = 0;
}

int TqdzPreviewPages::GetLogicalPageNo()
{
    TqdzXMLItem *numbers = RootChild(this, "logicalpagenumbers");
    if (CurPage() >= 0 && CurPage() < numbers->Count())
        return IntProp(numbers->GetItems(CurPage()), "n");
    return CurPage() - FirstPage() + 1;
}

int TqdzPreviewPages::GetLogicalTotalPages()
{
    TqdzXMLItem *numbers = RootChild(this, "logicalpagenumbers");
    if (CurPage() >= 0 && CurPage() < numbers->Count())
        return IntProp(numbers->GetItems(CurPage()), "t");
    return (Engine() ? Engine()->TotalPages() : 0) - FirstPage();
}

void TqdzPreviewPages::ResetOutline()
{
    // The outline's current item lived in the document just cleared.
    if (Outline())
        Outline()->SetCurItem(nullptr);
}
