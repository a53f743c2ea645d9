// The built-page store: built pages kept as differences from stored template objects, rebuilt on demand.
#pragma once
#include "report/model/qdzClassEngine.h"
#include "report/model/qdzMemoryMeter.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

class TqdzDictionary;
class TqdzPictureCache;
class TqdzXMLDocument;
class TqdzXMLItem;
class TqdzXMLSerializer;
class TqdzCustomPrinter;
class TqdzPrintOptions;
class TqdzView;

// The print dialog, installed by the preview layer: shown when the report's
// PrintOptions.ShowDialog is on; False cancels printing. Without one,
// printing goes on with the options as they are.
using TqdzPrintDialogHook = bool (*)(TqdzReport *Report);
TqdzPrintDialogHook &qdzPrintDialogHook();

// A compressor of built-report files. None is part of this program; one
// registered through qdzCompressorClass is used for compressed reports.
class TqdzCustomCompressor
{
public:
    virtual ~TqdzCustomCompressor() = default;
    void SetReport(TqdzReport *Value) { FReport = Value; }
    // False: the stream holds a built report, not a template.
    void SetIsTemplate(bool Value) { FIsTemplate = Value; }
    // Creates the working stream the document is written to or read from.
    virtual void CreateStream() = 0;
    // Decompresses Source into the working stream; False when Source is not
    // compressed. Raises on damaged data.
    virtual bool Decompress(TStream *Source) = 0;
    // Compresses the working stream into Destination.
    virtual void Compress(TStream *Destination) = 0;
    virtual TStream *Stream() = 0;

protected:
    TqdzReport *FReport = nullptr;
    bool FIsTemplate = true;
};
using TqdzCompressorFactory = TqdzCustomCompressor *(*)();
// The registered compressor; none by default.
TqdzCompressorFactory &qdzCompressorClass();

// Puts the built-page store and its outline into the build layer's
// factory table (the other entries are left as they are), and lets picture
// views file their pictures in their report's store.
void qdzAddPreviewPagesFactories(TqdzBuildFactories &Factories);
// The picture views' part of the above.
void qdzInstallPictureHook();

// Opens an address on the desktop; tests install their own.
using TqdzUrlOpener = bool (*)(const QString &Url);
TqdzUrlOpener &qdzUrlOpener();
// Opens Url through qdzUrlOpener (the desktop's handler by default) when it
// is an http, https or mailto address; False, nothing opened, otherwise.
bool qdzOpenHyperlink(const QString &Url);

// Shows a page (1-based) at a position in a preview; installed by the
// preview layer for the "@page" and "#anchor" hyperlinks.
using TqdzPreviewGoTo = void (*)(TqdzCustomPreview *Preview, int Page, int Top);
TqdzPreviewGoTo &qdzPreviewGoTo();

// One XML document holds the built pages: each object is an item naming its
// stored template object by short name, with only the attributes in which it
// differs. Pages are rebuilt from there for the preview, the printer and the
// built-report file, and kept in a small most-recently-used cache.
class TqdzPreviewPages : public TqdzCustomPreviewPages
{
public:
    explicit TqdzPreviewPages(TqdzReport *AReport);
    ~TqdzPreviewPages() override;

    int GetCount() override;
    TqdzReportPage *GetPage(int Index) override;
    TPoint GetPageSize(int Index) override;
    void Clear() override;
    void Initialize() override;
    void AddObject(TqdzComponent *Obj) override;
    void AddPage(TqdzReportPage *Page) override;
    void AddSourcePage(TqdzReportPage *Page) override;
    void AddToSourcePage(TqdzComponent *Obj) override;
    void BeginPass() override;
    void ClearFirstPassPages() override;
    void CutObjects(int FromIndex) override;
    void Finish() override;
    void IncLogicalPageNumber() override;
    void ResetLogicalPageNumber() override;
    void PasteObjects(double X, double Y) override;
    void ShiftAnchors(int From, int NewTop) override;
    void AddPicture(TqdzPictureView *Picture) override;
    bool BandExists(TqdzBand *Band) override;
    int GetCurPosition() override;
    int GetAnchorCurPosition() override;
    // A kept block on a further horizontal page: the objects of page Page
    // from index From on are held aside under Slot, and put on a page again
    // moved by DX, DY (back where they were with 0, 0).
    void HoldObjects(int Page, int From, int Slot);
    void PlaceHeld(int Slot, int Page, double DX, double DY);
    bool HasHeld(int Slot) const { return FHeld.count(Slot) > 0; }
    // Left and top of object Index of page Page; false when there is none.
    bool ObjectPlace(int Page, int Index, double &Left, double &Top);
    double GetLastY(double X = 0) override;
    int GetLogicalPageNo() override;
    int GetLogicalTotalPages() override;
    void AddEmptyPage(int Index) override;
    void DeletePage(int Index) override;
    void ModifyPage(int Index, TqdzReportPage *Page) override;
    void DrawPage(int Index, TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                  double OffsetY) override;
    void ObjectAtPoint(int Index, int X, int Y, bool Click, TCursor &Cursor, double Scale, double OffsetX,
                       double OffsetY, TMouseButton Button, TShiftState Shift, bool DblClick = false) override;
    void AddPagesFrom(TqdzReport *AReport) override;
    void LoadFromStream(TStream *Stream, bool AllowPartialLoading = false) override;
    void SaveToStream(TStream *Stream) override;
    bool LoadFromFile(const QString &FileName, bool ExceptionIfNotFound = false) override;
    void SaveToFile(const QString &FileName) override;
    bool Print() override;
    void Export(TqdzCustomExportFilter *Filter) override;
    void AddAnchor(const QString &Text) override;
    int GetAnchorPage(const QString &Text) override;

    // For pages whose height is known only after building: the linked
    // source page takes the size as a custom paper.
    void UpdatePageDimensions(TqdzReportPage *Page, double Width, double Height);
    // Copies a template object for the source pages (a picture view without
    // its picture: built pages take it from the picture cache).
    static void AssignSourceCopy(TqdzComponent *Copy, TqdzComponent *Source);
    // Empties the page cache: frees every rebuilt page that no one holds,
    // and with the file cache sends their page items back to the file.
    void ClearPageCache() { DropPageCache(true); }

    // Keeps a rebuilt page alive while held, even when the cache drops it
    // (a print loop or a click handler may rebuild other pages meanwhile).
    // A page that cannot be read back raises, or with Quiet holds none and
    // leaves the reason in the report's errors (drawing, clicks).
    class TPageHold
    {
    public:
        TPageHold(TqdzPreviewPages *Store, int Index, bool Quiet = false);
        ~TPageHold();
        TPageHold(const TPageHold &) = delete;
        TPageHold &operator=(const TPageHold &) = delete;
        TqdzReportPage *Page() const { return FPage; }

    private:
        TqdzPreviewPages *FStore;
        TqdzReportPage *FPage;
    };

    int AddPageAction() const { return FAddPageAction; }
    void SetAddPageAction(int Value) { FAddPageAction = Value; }
    TqdzDictionary *Dictionary() const { return FDictionary.get(); }
    TqdzPictureCache *PictureCache() const { return FPictureCache.get(); }
    TqdzXMLDocument *XMLDocument() const { return FXMLDocument.get(); }
    TqdzXMLItem *PagesNode();
    int SourcePageCount() const { return int(FSourcePages.size()); }
    TqdzReportPage *SourcePages(int Index) const;
    int CachedPageCount() const { return int(FPageCache.size()); }
    qint64 AddedBytes() const { return FAddedBytes; }
    int LogicalPageCounter() const { return FLogicalPageCounter; }
    // Copy number and print scale handed to memo views while printing.
    int CopyNo() const { return FCopyNo; }
    double PrintScale() const { return FPrintScale; }

private:
    struct TCacheEntry {
        int Index;
        TqdzReportPage *Page;
    };
    struct TPrintRun;

    TqdzXMLItem *CurPageItem();
    TqdzXMLItem *PageItem(int Index);
    int SourceIndexOf(const TqdzXMLItem *PageItem) const;
    void AddObjectItem(TqdzXMLItem *Parent, TqdzComponent *Obj);
    void RegisterSourceObject(TqdzComponent *Template, TqdzComponent *Copy, int PageIndex);
    TqdzComponent *TemplateOf(const TqdzXMLItem *Item) const;
    // Raises when the page would take more memory than a build may hold,
    // or more than there is.
    TqdzReportPage *BuildPage(int Index);
    TqdzReportPage *ReadPage(int Index);
    void ReadObjects(TqdzXMLSerializer &Serializer, TqdzComponent *Parent, TqdzXMLItem *Item);
    void InsertIntoCache(int Index, TqdzReportPage *Page);
    // Unload false: the items stay as they are (about to be freed).
    void DropPageCache(bool Unload);
    // With the file cache, an unloadable page item back to the file.
    void UnloadPageItem(int Index);
    void ReleasePage(TqdzReportPage *Page);
    // What the store needs of particular views: a built picture view left
    // without a picture takes it from the cache; a view is drawn with its
    // printing flag, a text view with the page count, copy and print scale.
    void RestorePicture(TqdzComponent *Obj);
    void PaintPageBackground(TqdzReportPage *Page, TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                             double OffsetY);
    void PrepareViewDraw(TqdzView *View, bool Printing);
    void FinishViewDraw(TqdzView *View);
    static bool ViewPrintable(TqdzView *View);
    static TCursor ViewCursor(TqdzView *View);
    static QString ViewURL(TqdzView *View);
    void FreePage(TqdzReportPage *Page);
    void Hold(TqdzReportPage *Page);
    void Unhold(TqdzReportPage *Page);
    void ReadBuiltReport();
    void WriteDocument(TStream *Stream);
    void ReportDecompressError();
    void ResetOutline();
    // Print path.
    bool PrintRun(TPrintRun &Run, int Mode);
    void PrintMode(TPrintRun &Run, int Mode);
    bool PageDue(TPrintRun &Run, int Index, bool &Go);
    bool PrintPage(TPrintRun &Run, int Index, bool ScaleMode);
    bool PrintSplitPage(TPrintRun &Run, int Index);
    void PrintJoined(TPrintRun &Run);
    void BeginPrintedPage(TPrintRun &Run);
    void TrackDuplex(TPrintRun &Run, TqdzReportPage *Page);
    // Export path; True when the filter started and finished.
    bool ExportRun(TqdzCustomExportFilter *Filter);
    void ExportPage(TqdzCustomExportFilter *Filter, int Index);

    struct TItemName
    {
        QString Dict;
        QByteArray Bytes;
    };
    std::unordered_map<const TqdzComponent *, TItemName> FItemNames;
    struct TTemplateText;
    std::unordered_map<const TqdzComponent *, std::shared_ptr<TTemplateText>> FTemplateTexts;
    int FAddPageAction = 0;
    std::map<int, std::unique_ptr<TqdzXMLItem>> FHeld;
    std::unique_ptr<TqdzDictionary> FDictionary;
    std::vector<TCacheEntry> FPageCache;
    // Pages the cache dropped while held; freed when the last hold ends.
    std::vector<TqdzReportPage *> FRetired;
    std::vector<std::pair<TqdzReportPage *, int>> FHolds;
    TqdzXMLItem *FPagesNode = nullptr;
    std::unique_ptr<TqdzPictureCache> FPictureCache;
    int FPassFirstPage = -1;
    int FPassFirstObject = 0;
    int FPassFirstOutline = 0;
    int FLogicalPageCounter = 0;
    std::vector<std::unique_ptr<TqdzReportPage>> FSourcePages;
    std::unique_ptr<TqdzXMLDocument> FXMLDocument;
    qint64 FAddedBytes = 0;
    // What reading a page back takes, against the build's memory limit.
    TqdzMemoryMeter FReadMemory;
    int FReadIndex = 0;
    // Milliseconds reading a page back may take (the report's build time
    // limit; 0: none), and the objects read so far.
    int FReadTime = 0;
    int FReadObjects = 0;
    QElapsedTimer FReadClock;
    int FCopyNo = 0;
    double FPrintScale = 1.0;
};
