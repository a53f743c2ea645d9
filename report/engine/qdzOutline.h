// The outline of a built report: a tree of headings in the store's document.
#pragma once
#include "report/model/qdzClassEngine.h"

class TqdzOutline : public TqdzCustomOutline
{
    STATION_CLASS(TqdzOutline, TqdzCustomOutline)
public:
    explicit TqdzOutline(TqdzCustomPreviewPages *APreviewPages);

    int GetCount() override;
    // Nothing before LevelRoot: there is no node to add to yet.
    void AddItem(const QString &Text, int Top) override;
    // An index out of range leaves the current item as it is.
    void LevelDown(int Index) override;
    void LevelRoot() override;
    void LevelUp() override;
    void GetItem(int Index, QString &Text, int &Page, int &Top) override;
    void ShiftItems(TqdzXMLItem *From, int NewTop) override;
    TqdzXMLItem *GetLastItem() override;
    // As ShiftItems for the first child of Level: a kept block whose first
    // entry opened its level has no entry before it to shift from.
    void ShiftFirstItem(TqdzXMLItem *Level, int NewTop);

private:
    TqdzXMLItem *RootNode();
};
