// Hooks the main window gives the weighing, manual-order and details dialogs.
#pragma once
#include "datacenter_code.h" // LocalTransaction
// What the manual-order and details dialogs need from the main window. The
// main window fills SellHost once after it is created; the dialogs read it
// when they are used, so they can be driven without a main window too.
#include "Variants.h"
#include <QList>
#include <QString>
#include <functional>

class TForm;

struct TSellHost {
    TForm *MainForm = nullptr;                // disabled while a dialog is open, enabled when it closes
    std::function<QString()> WorkDate;        // the work date as stored: 'yyyy-MM-dd'
    std::function<QString()> OperatorName;    // the logged-in operator (caozy)
    std::function<int()> CurrentOrderId;      // current row of the order list, 0 when none
    std::function<int()> CurrentProductId;    // current row of the product list, 0 when none
    std::function<bool()> ScaleRead;          // true while the scale is read (reading on and the port open)
    std::function<QString()> ScaleWeight;     // the weight shown (m_zhongzl)
    // The order filter "not finished" selected and the order list reloaded
    // with the order of this id current (numbers repeat across stations).
    std::function<void(qint64 Id)> ShowNewOrder;
    // The line filter "allocated" selected and the current order's tiles reloaded.
    std::function<void()> ShowAllocatedLines;
    // The tiles of both pages reloaded (where their list has rows).
    std::function<void()> ReloadTiles;
    // Both lists reloaded keeping their current order and product, then the tiles.
    std::function<void()> ReloadLists;

    // The callbacks with safe answers when a callback is not set.
    QString GetWorkDate() const { return WorkDate ? WorkDate() : QString(); }
    QString GetOperatorName() const { return OperatorName ? OperatorName() : QString(); }
    int GetCurrentOrderId() const { return CurrentOrderId ? CurrentOrderId() : 0; }
    int GetCurrentProductId() const { return CurrentProductId ? CurrentProductId() : 0; }
    bool GetScaleRead() const { return ScaleRead ? ScaleRead() : false; }
    QString GetScaleWeight() const { return ScaleWeight ? ScaleWeight() : QString(); }
    void DoShowNewOrder(qint64 Id) const { if (ShowNewOrder) ShowNewOrder(Id); }
    void DoShowAllocatedLines() const { if (ShowAllocatedLines) ShowAllocatedLines(); }
    void DoReloadTiles() const { if (ReloadTiles) ReloadTiles(); }
    void DoReloadLists() const { if (ReloadLists) ReloadLists(); }
    // Gives the main window back (a dialog closed).
    void EnableMain() const;
};

extern TSellHost SellHost;

// The station's warning box: caption "提示!".
void SellWarning(const QString &Text);
// The OK/Cancel question with the same caption; true for OK.
bool SellConfirm(const QString &Text);


// LocalExec that raises EDatabaseError on failure, for use inside LocalTransaction.
void LocalRun(const QString &Sql, const QList<Variant> &Params);
