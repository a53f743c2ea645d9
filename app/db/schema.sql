-- Local database of the weighing station (SQLite).
-- Dates are stored as 'yyyy-MM-dd' text; Booleans as 0/1.
PRAGMA foreign_keys = OFF;

-- Orders (delivery notes). Orders made at the station have negative ids.
CREATE TABLE IF NOT EXISTS sys_jhdh (
  id         INTEGER PRIMARY KEY,
  dh         TEXT,
  dhrq       TEXT,
  unit       INTEGER,
  lx         INTEGER,
  lury       TEXT,
  local_dh   INTEGER,
  has_upload INTEGER,
  print_yes  INTEGER,
  zzl        REAL,
  zqp        REAL,
  xtlx       INTEGER,
  bz         TEXT,
  server_id  INTEGER  -- id the server gave this station order (a copy, saved after the server committed)
);
CREATE INDEX IF NOT EXISTS sys_jhdh_dhrq ON sys_jhdh (dhrq, lx);
CREATE INDEX IF NOT EXISTS sys_jhdh_unit ON sys_jhdh (unit);

-- Order lines. Lines made at the station have negative ids; a deleted added
-- line keeps its row with order id 0 (and its order in deleted_dhid) until
-- an upload has taken its share off the server.
CREATE TABLE IF NOT EXISTS sys_jhsj (
  id         INTEGER PRIMARY KEY,
  dhid       INTEGER,
  mc         INTEGER,
  dinghl     REAL,
  songhl     REAL,
  dj         REAL,
  shisje     REAL,
  sl         REAL,
  sldw       TEXT,
  bz         TEXT,
  paix       INTEGER,
  local_jhsj INTEGER,
  has_upload INTEGER,
  server_id  INTEGER, -- id the server gave the added line (a copy, saved after the server committed)
  server_songhl REAL, -- songhl on the server as this station last read or wrote it
  -- Random key of a line made here: the server copy is found by it inside
  -- the upload that inserts it.
  upload_key TEXT DEFAULT (lower(hex(randomblob(6)))),
  share_sent REAL,    -- share of this station as last known recorded on the server (null: none)
  deleted_dhid INTEGER, -- the order an added line deleted whole was in
  share_base REAL     -- the share of records purged before the line came down again
);
CREATE INDEX IF NOT EXISTS sys_jhsj_dhid ON sys_jhsj (dhid);
CREATE INDEX IF NOT EXISTS sys_jhsj_mc ON sys_jhsj (mc);

-- This station: its random id (made when the database is first opened) and the
-- lowest order and line ids it ever gave, so a purged id is never given again.
CREATE TABLE IF NOT EXISTS sys_station (
  id        TEXT NOT NULL,
  low_order INTEGER,
  low_line  INTEGER
);

-- Weighing records: one row per weighing, gross and tare.
CREATE TABLE IF NOT EXISTS sys_jhsj_mx (
  id         INTEGER PRIMARY KEY AUTOINCREMENT,
  jhsj_id    INTEGER,
  zhongzl    REAL,
  qup        REAL,
  delete_yes INTEGER
);
CREATE INDEX IF NOT EXISTS sys_jhsj_mx_jhsj ON sys_jhsj_mx (jhsj_id);

-- Customers.
CREATE TABLE IF NOT EXISTS sys_unit (
  id        INTEGER PRIMARY KEY,
  usercode  TEXT,
  shortname TEXT,
  typea     INTEGER,
  typeb     INTEGER,
  typec     INTEGER,
  typed     INTEGER,
  dadj      INTEGER,
  dydw      INTEGER,
  mode      INTEGER,
  yn        INTEGER,
  piny      TEXT,
  address   TEXT,
  phone     TEXT,
  linkman   TEXT
);

-- Products.
CREATE TABLE IF NOT EXISTS sys_cp (
  id    INTEGER PRIMARY KEY,
  bh    TEXT,
  mc    TEXT,
  dw    TEXT,
  gg    TEXT,
  typeb INTEGER,
  piny  TEXT,
  dfl   INTEGER
);

-- Product classes, customer classes, delivery lines, print headers.
CREATE TABLE IF NOT EXISTS sys_cpfenl (id INTEGER PRIMARY KEY, bianh TEXT, fenlmc TEXT);
CREATE TABLE IF NOT EXISTS sys_khfenl (id INTEGER PRIMARY KEY, bianh TEXT, fenlmc TEXT);
CREATE TABLE IF NOT EXISTS sys_khline (id INTEGER PRIMARY KEY, bianh TEXT, fenlmc TEXT);
CREATE TABLE IF NOT EXISTS sys_dytait (id INTEGER PRIMARY KEY, bianh TEXT, fenlmc TEXT);

-- Customers' own product codes and names.
CREATE TABLE IF NOT EXISTS sys_khpm (
  khid INTEGER,
  cpid INTEGER,
  bh   TEXT,
  mc   TEXT
);
CREATE INDEX IF NOT EXISTS sys_khpm_kh ON sys_khpm (khid, cpid);

-- Sell prices per customer and product.
CREATE TABLE IF NOT EXISTS sys_selljg (
  unitid    INTEGER,
  lx        INTEGER,
  cpid      INTEGER,
  sellprice REAL
);
CREATE INDEX IF NOT EXISTS sys_selljg_unit ON sys_selljg (unitid, cpid);

-- Operators; passwd is the MD5 digest (32 lower-case hex digits) of the GBK bytes.
CREATE TABLE IF NOT EXISTS sys_user (
  empid  INTEGER,
  userid TEXT,
  passwd TEXT,
  name   TEXT
);

-- Scratch rows for the details windows.
CREATE TABLE IF NOT EXISTS sys_print (
  id          INTEGER,
  local_jhsj  INTEGER,
  sys_jhsj_id INTEGER,
  mc          TEXT,
  dw          TEXT,
  gg          TEXT,
  dinghl      REAL,
  songhl      REAL,
  bz          TEXT
);
