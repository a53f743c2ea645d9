// The data grid: rows of the query, the current row following RecNo both
// ways, cell clicks, drawing with the drawn record current, line scrolling.
#include "DBGrids.h"
#include "FormHarness.h"
#include "Forms.h"
#include <gtest/gtest.h>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace FormHarness;

namespace {

class DBGridTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        const QString path = Dir.filePath(QStringLiteral("g.db"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("dbgrid-setup"));
            db.setDatabaseName(path);
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE t (id INTEGER, name TEXT)")));
            ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO t VALUES (1,'甲'),(2,'乙'),(3,'丙'),(4,'丁')")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("dbgrid-setup"));
        Conn.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + path);
        Conn.SetConnected(true);
        Query.SetConnection(&Conn);
        Query.SQL()->SetText(QStringLiteral("select id,name from t order by id"));
        Source.SetDataSet(&Query);
        Form.SetBounds(0, 0, 400, 300);
        Grid = new TDBGrid(&Form);
        Grid->SetParent(&Form);
        Grid->SetBounds(0, 0, 300, 200);
        TColumn *c = Grid->Columns()->Add();
        c->SetFieldName(QStringLiteral("id"));
        c->Title()->SetCaption(QStringLiteral("编号"));
        c->SetWidth(60);
        c = Grid->Columns()->Add();
        c->SetFieldName(QStringLiteral("name"));
        c->Title()->SetCaption(QStringLiteral("名称"));
        c->SetWidth(120);
        Grid->SetDataSource(&Source);
    }

    // Centre of the cell of data row Row (1-based) in column Col (1-based).
    TPoint CellCentre(int Col, int Row)
    {
        const TRect r = Grid->CellRect(Col, Row);
        return Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }

    QTemporaryDir Dir;
    TADOConnection Conn;
    TADOQuery Query;
    TDataSource Source;
    TForm Form{nullptr};
    TDBGrid *Grid = nullptr;
};

struct TLog : public TObject {
    QStringList Clicks;
    QStringList Drawn;
    TDBGrid *Grid = nullptr;
    TADOQuery *Query = nullptr;
    QList<int> KeysUp;
    void KeyUp(TObject *, Word &Key, TShiftState) { KeysUp << Key << Query->RecNo(); }
    void CellClick(TColumn *Column) { Clicks << (Column ? Column->FieldName() : QStringLiteral("-")) + QString::number(Query->RecNo()); }
    void Draw(TObject *, const TRect &Rect, int DataCol, TColumn *Column, TGridDrawState State)
    {
        // The query stands on the record being drawn.
        Drawn << QStringLiteral("%1:%2:%3%4")
                     .arg(DataCol)
                     .arg(Column->Field()->AsString())
                     .arg(State.Contains(gdSelected) ? QStringLiteral("S") : QString())
                     .arg(State.Contains(gdFocused) ? QStringLiteral("F") : QString());
        Grid->Canvas()->Brush()->SetColor(clLime);
        Grid->DefaultDrawColumnCell(Rect, DataCol, Column, State);
    }
};

} // namespace

TEST_F(DBGridTest, RowsFollowTheQueryAndAClosedQueryShowsOneBlankRow)
{
    Grid->SyncWithDataSet();
    EXPECT_EQ(Grid->RowCount(), 2);
    EXPECT_EQ(Grid->ColCount(), 3);
    EXPECT_EQ(Grid->ColWidths(2), 120);
    Query.Open();
    Grid->SyncWithDataSet();
    EXPECT_EQ(Grid->RowCount(), 5);
    EXPECT_EQ(Grid->Row(), 1);
    Query.SetRecNo(3);
    Grid->SyncWithDataSet();
    EXPECT_EQ(Grid->Row(), 3);
    Query.SQL()->SetText(QStringLiteral("select id,name from t where id<0"));
    Query.Open();
    Grid->SyncWithDataSet();
    EXPECT_EQ(Grid->RowCount(), 2);
}

TEST_F(DBGridTest, ClickMovesTheRecordThenRaisesCellClick)
{
    TLog log;
    log.Query = &Query;
    Grid->SetOnCellClick(TDBGridClickEvent(&log, &TLog::CellClick));
    Query.Open();
    ASSERT_TRUE(ShowAndActivate(&Form));
    Click(Grid, CellCentre(2, 3));
    EXPECT_EQ(Query.RecNo(), 3);
    EXPECT_EQ(Query.FieldByName(QStringLiteral("name")).AsString(), QStringLiteral("丙"));
    Click(Grid, CellCentre(1, 2));
    EXPECT_EQ(log.Clicks, (QStringList{QStringLiteral("name3"), QStringLiteral("id2")}));
    // The title row is no cell: no record moves and no click.
    Click(Grid, Point(30, 5));
    EXPECT_EQ(Query.RecNo(), 2);
    EXPECT_EQ(log.Clicks.size(), 2);
}

TEST_F(DBGridTest, ArrowKeysMoveTheRecordAndKeyUpReachesTheHandler)
{
    TLog log;
    log.Query = &Query;
    Grid->SetOnKeyUp(TKeyEvent(&log, &TLog::KeyUp));
    Query.Open();
    ASSERT_TRUE(ShowAndActivate(&Form));
    ASSERT_TRUE(Focus(Grid));
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(Query.RecNo(), 3);
    // The key-up comes after the record moved.
    EXPECT_EQ(log.KeysUp, (QList<int>{VK_DOWN, 2, VK_DOWN, 3}));
    Key(Qt::Key_Up);
    EXPECT_EQ(Query.RecNo(), 2);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(Query.RecNo(), 4);
}

TEST_F(DBGridTest, DrawingSeesEachRecordAndPutsTheCursorBack)
{
    TLog log;
    log.Grid = Grid;
    Grid->SetOnDrawColumnCell(TDrawColumnCellEvent(&log, &TLog::Draw));
    Query.Open();
    Query.SetRecNo(2);
    ASSERT_TRUE(ShowAndActivate(&Form));
    ASSERT_TRUE(Focus(Grid));
    const QImage img = Grab(Grid);
    EXPECT_EQ(Query.RecNo(), 2);
    EXPECT_TRUE(log.Drawn.contains(QStringLiteral("0:1:")));
    EXPECT_TRUE(log.Drawn.contains(QStringLiteral("1:丁:")));
    // Every cell of the current row is selected; the current cell also focused.
    EXPECT_TRUE(log.Drawn.contains(QStringLiteral("0:2:SF")));
    EXPECT_TRUE(log.Drawn.contains(QStringLiteral("1:乙:S")));
    // The handler's brush fills the cell.
    const TRect r = Grid->CellRect(2, 3);
    EXPECT_EQ(img.pixelColor(r.Right - 3, r.Bottom - 3), QColor(0, 255, 0));
}

TEST_F(DBGridTest, LineScrollMovesTheRecord)
{
    Query.Open();
    Grid->Perform(WM_VSCROLL, SB_LINEDOWN);
    Grid->Perform(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(Query.RecNo(), 3);
    EXPECT_EQ(Grid->Row(), 3);
    Grid->Perform(WM_VSCROLL, SB_LINEUP);
    EXPECT_EQ(Query.RecNo(), 2);
    EXPECT_EQ(Grid->Row(), 2);
}

TEST_F(DBGridTest, FreedDataSourceIsForgotten)
{
    auto *src = new TDataSource(nullptr);
    src->SetDataSet(&Query);
    Grid->SetDataSource(src);
    delete src;
    EXPECT_EQ(Grid->DataSource(), nullptr);
    Grid->SyncWithDataSet();
    EXPECT_EQ(Grid->RowCount(), 2);
}
