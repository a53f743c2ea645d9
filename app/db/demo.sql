-- DEMO DATA: a small made-up data set so a new station can be tried out.
-- Operators: userid 'demo' / password '123', userid 'zhang' / password '1234'.
INSERT INTO sys_user (empid, userid, passwd, name) VALUES
  (1, 'demo',  '202cb962ac59075b964b07152d234b70', '演示操作员'),
  (2, 'zhang', '81dc9bdb52d04dc20036dbd8313ed055', '张三');

INSERT INTO sys_khfenl (id, bianh, fenlmc) VALUES (1, '01', '饭店'), (2, '02', '学校食堂');
INSERT INTO sys_khline (id, bianh, fenlmc) VALUES (1, 'L1', '东线'), (2, 'L2', '西线');
INSERT INTO sys_dytait (id, bianh, fenlmc) VALUES (1, 'T1', '演示配送中心送货单');
INSERT INTO sys_cpfenl (id, bianh, fenlmc) VALUES (1, '01', '蔬菜'), (2, '02', '肉类');

INSERT INTO sys_unit (id, usercode, shortname, typea, typeb, typec, typed, dadj, dydw, mode, yn, piny, address, phone, linkman) VALUES
  (101, 'K001', '演示饭店', 1, 0, 1, 1, 1, 0, 2, 1, 'YSFD', '演示路1号', '010-00000001', '王经理'),
  (102, 'K002', '演示食堂', 2, 1, 2, 1, 0, 1, 2, 1, 'YSST', '演示路2号', '010-00000002', '李师傅');

INSERT INTO sys_cp (id, bh, mc, dw, gg, typeb, piny, dfl) VALUES
  (201, 'C001', '大白菜', '斤', '散装', 0, 'DBC', 1),
  (202, 'C002', '土豆',   '斤', '散装', 0, 'TD',  1),
  (203, 'C003', '猪肉',   '斤', '后腿', 0, 'ZR',  2);

INSERT INTO sys_khpm (khid, cpid, bh, mc) VALUES (101, 203, 'R-01', '后腿肉');
INSERT INTO sys_selljg (unitid, lx, cpid, sellprice) VALUES
  (101, 2, 201, 1.2), (101, 2, 202, 1.5), (101, 2, 203, 13.8),
  (102, 2, 201, 1.1), (102, 2, 202, 1.4), (102, 2, 203, 13.5);

-- Ids below zero, as rows made at a station have: no server's order or line
-- shares one, so demo rows never reach a server. Rows made here go below them.
INSERT INTO sys_jhdh (id, dh, dhrq, unit, lx, lury, local_dh, has_upload, print_yes, zzl, zqp, xtlx, bz) VALUES
  (-8999, 'DEMO-0001', date('now', 'localtime'),             101, 2, '演示', NULL, NULL, NULL, NULL, NULL, 0, '演示订单'),
  (-8998, 'DEMO-0002', date('now', 'localtime'),             102, 2, '演示', NULL, NULL, NULL, NULL, NULL, 0, '演示订单'),
  (-8997, 'DEMO-0003', date('now', 'localtime', '+1 day'),   101, 2, '演示', NULL, NULL, NULL, NULL, NULL, 0, '演示订单'),
  (-8996, 'DEMO-0004', date('now', 'localtime', '+1 day'),   102, 2, '演示', NULL, NULL, NULL, NULL, NULL, 0, '演示订单');

INSERT INTO sys_jhsj (id, dhid, mc, dinghl, songhl, dj, shisje, sl, sldw, bz, paix, local_jhsj, has_upload) VALUES
  (-4999, -8999, 201, 20, NULL, 1.2,  NULL, NULL, NULL, '', 1, NULL, NULL),
  (-4998, -8999, 203, 10, NULL, 13.8, NULL, NULL, NULL, '', 2, NULL, NULL),
  (-4997, -8998, 202, 30, NULL, 1.4,  NULL, NULL, NULL, '', 1, NULL, NULL),
  (-4996, -8998, 203,  8, NULL, 13.5, NULL, NULL, NULL, '', 2, NULL, NULL),
  (-4995, -8997, 201, 25, NULL, 1.2,  NULL, NULL, NULL, '', 1, NULL, NULL),
  (-4994, -8997, 202, 15, NULL, 1.5,  NULL, NULL, NULL, '', 2, NULL, NULL),
  (-4993, -8996, 201, 40, NULL, 1.1,  NULL, NULL, NULL, '', 1, NULL, NULL),
  (-4992, -8996, 203, 12, NULL, 13.5, NULL, NULL, NULL, '', 2, NULL, NULL);
