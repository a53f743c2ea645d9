// Drawing built pages and hit-testing them: hyperlinks, anchors, drill-down, preview clicks.
#include "qdzPreviewPages.h"

#include "qdzPrinter.h"

#include "platform/TypInfo.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzVariables.h"
#include "report/model/qdzXML.h"

#include <QDesktopServices>
#include <QUrl>

int qdzRoundPx(double Value);

namespace {

TqdzUrlOpener GUrlOpener = nullptr;
TqdzPreviewGoTo GGoTo = nullptr;

bool OpenUrlOnDesktop(const QString &Url)
{
    return QDesktopServices::openUrl(QUrl(Url));
}

// Swaps a page's left and right margins for as long as it lives.
struct TMirror {
    TqdzReportPage *Page;
    bool Active;
    TMirror(TqdzReportPage *P, bool A) : Page(P), Active(A) { Swap(); }
    ~TMirror() { Swap(); }
    void Swap()
    {
        if (!Active)
            return;
        const double l = Page->LeftMargin();
        Page->SetLeftMargin(Page->RightMargin());
        Page->SetRightMargin(l);
    }
};

} // namespace

TqdzUrlOpener &qdzUrlOpener()
{
    return GUrlOpener;
}

TqdzPreviewGoTo &qdzPreviewGoTo()
{
    return GGoTo;
}

bool qdzOpenHyperlink(const QString &Url)
{
    // Only web and mail addresses: a link in a report file must not start
    // programs or open local files.
    const QUrl url(Url.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")
                           && scheme != QLatin1String("mailto")))
        return false;
    if ((scheme == QLatin1String("http") || scheme == QLatin1String("https")) && url.host().isEmpty())
        return false;
    return (GUrlOpener ? GUrlOpener : OpenUrlOnDesktop)(url.toString());
}

void TqdzPreviewPages::DrawPage(int Index, TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                                double OffsetY)
{
    if (!Canvas)
        return;
    TPageHold hold(this, Index, true);
    TqdzReportPage *page = hold.Page();
    if (!page)
        return;
    TMirror mirror(page, page->MirrorMargins() && Index % 2 == 1);
    const bool printing = dynamic_cast<TqdzPrinterCanvas *>(Canvas) != nullptr;
    // The canvas is given back as it came, whatever a view does.
    struct TSavedDC {
        TCanvas *Canvas = nullptr;
        int Level = 0;
        ~TSavedDC()
        {
            if (Canvas)
                Canvas->RestoreDC(Level);
        }
    } saved;
    if (!printing) {
        saved.Level = Canvas->SaveDC();
        saved.Canvas = Canvas;
        Canvas->IntersectClipRect(Rect(qdzRoundPx(OffsetX), qdzRoundPx(OffsetY),
                                        qdzRoundPx(OffsetX + page->PaperWidth() * qdzPixelsPerMM * ScaleX) - 1,
                                        qdzRoundPx(OffsetY + page->PaperHeight() * qdzPixelsPerMM * ScaleY) - 1));
    }
    PaintPageBackground(page, Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    OffsetX += page->LeftMargin() * qdzPixelsPerMM * ScaleX;
    OffsetY += page->TopMargin() * qdzPixelsPerMM * ScaleY;
    const TRect clip = Canvas->ClipRect();
    // A recording has no clip box worth testing against: everything goes in.
    const bool metafile = dynamic_cast<TMetafileCanvas *>(Canvas) != nullptr;
    TList *all = page->AllObjects();
    std::vector<TqdzView *> views;
    for (int i = 0; i < all->Count(); ++i)
        if (auto *v = dynamic_cast<TqdzView *>(static_cast<TObject *>(all->Items(i))))
            views.push_back(v);
    for (TqdzView *v : views) {
        const double l = v->AbsLeft() * ScaleX + OffsetX, t = v->AbsTop() * ScaleY + OffsetY;
        const double r = (v->AbsLeft() + v->Width()) * ScaleX + OffsetX;
        const double b = (v->AbsTop() + v->Height()) * ScaleY + OffsetY;
        if (!metafile && (r + 20 < clip.Left || l - 20 > clip.Right || b + 20 < clip.Top || t - 20 > clip.Bottom))
            continue;
        if (printing && !ViewPrintable(v))
            continue;
        PrepareViewDraw(v, printing);
        v->Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
        FinishViewDraw(v);
    }
}

void TqdzPreviewPages::ObjectAtPoint(int Index, int X, int Y, bool Click, TCursor &Cursor, double Scale,
                                     double OffsetX, double OffsetY, TMouseButton Button, TShiftState Shift,
                                     bool DblClick)
{
    if ((Engine() && Engine()->Running()) || Index < 0 || Index >= GetCount())
        return;
    // Held: the click handler may rebuild or modify pages meanwhile.
    TPageHold hold(this, Index, true);
    TqdzReportPage *page = hold.Page();
    if (!page)
        return;
    const bool odd = page->MirrorMargins() && Index % 2 == 1;
    OffsetX += (odd ? page->RightMargin() : page->LeftMargin()) * qdzPixelsPerMM * Scale;
    OffsetY += page->TopMargin() * qdzPixelsPerMM * Scale;
    Report()->SetProgressMessage(QString());
    TList *all = page->AllObjects();
    std::vector<TqdzComponent *> objects;
    for (int i = 0; i < all->Count(); ++i)
        objects.push_back(static_cast<TqdzComponent *>(static_cast<TObject *>(all->Items(i))));
    TqdzGroupHeader *drill = nullptr;
    TqdzCustomPreview *preview = Report()->Preview();
    bool useHints = false;
    if (preview)
        if (PPropInfo p = GetPropInfo(preview, u"UseReportHints"))
            useHints = GetOrdProp(preview, p) != 0;
    for (int i = int(objects.size()) - 1; i >= 0; --i) {
        TqdzComponent *c = objects[size_t(i)];
        const bool under = X >= c->AbsLeft() * Scale + OffsetX && X <= (c->AbsLeft() + c->Width()) * Scale + OffsetX
                           && Y >= c->AbsTop() * Scale + OffsetY
                           && Y <= (c->AbsTop() + c->Height()) * Scale + OffsetY;
        if (!under) {
            if (auto *v = dynamic_cast<TqdzView *>(c); v && useHints && v->ShowHint())
                preview->SetHint(QString());
            continue;
        }
        if (auto *g = dynamic_cast<TqdzGroupHeader *>(c); g && g->DrillDown())
            drill = g;
        auto *v = dynamic_cast<TqdzView *>(c);
        if (!v)
            continue;
        if (auto *g = dynamic_cast<TqdzGroupHeader *>(v->Parent()); g && g->DrillDown())
            drill = g;
        const TCursor own = ViewCursor(v);
        if (own != 0)
            Cursor = own;
        const QString url = ViewURL(v);
        if (!url.isEmpty()) {
            Report()->SetProgressMessage(url);
            if (own == 0)
                Cursor = crHandPoint;
        }
        if (useHints && v->ShowHint() && !v->Hint().isEmpty()) {
            preview->SetHint(v->Hint());
            preview->SetShowHint(true);
        }
        if (!Click || drill) {
            if (Report()->OnMouseOverObject())
                Report()->OnMouseOverObject()(v);
        }
        if (Click && !drill) {
            if (url.startsWith(QLatin1Char('@'))) {
                if (GGoTo && Report()->Preview())
                    GGoTo(Report()->Preview(), url.mid(1).toInt(), 0);
            } else if (url.startsWith(QLatin1Char('#'))) {
                TqdzXMLItem *anchors = FXMLDocument->Root()->FindItem("anchors");
                const QString name = url.mid(1);
                for (int a = anchors->Count() - 1; a >= 0; --a) {
                    TqdzXMLItem *item = anchors->GetItems(a);
                    if (QString::fromUtf8(item->GetProp("text")).compare(name, Qt::CaseInsensitive) == 0) {
                        if (GGoTo && Report()->Preview())
                            GGoTo(Report()->Preview(), item->GetProp("page").toInt() + 1,
                                  item->GetProp("top").toInt());
                        break;
                    }
                }
            } else if (!url.isEmpty()) {
                qdzOpenHyperlink(url);
            }
            bool modified = false;
            Report()->DoPreviewClick(v, Button, Shift, modified, DblClick);
            if (modified) {
                ModifyPage(Index, page);
                if (Report()->Preview())
                    Report()->Preview()->Invalidate();
            }
        }
        break;
    }
    if (drill) {
        Cursor = crHandPoint;
        if (Click) {
            TStringList *state = Report()->DrillState();
            const int at = state->IndexOf(drill->DrillName());
            if (at >= 0)
                state->Delete(at);
            else
                state->Add(drill->DrillName());
            if (Report()->Preview())
                Report()->Preview()->RefreshReport();
        }
    }
}
