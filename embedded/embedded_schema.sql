-- The QOR database on the embedded engine (SQLite). Kept in step with
-- server/qor_schema.sql, which creates the same objects on SQL Server (but
-- for how qor_user keeps a password: each engine hashes with its own means).
--
-- RUSSIAN is the collation the engine registers on every connection: it
-- orders and compares Russian text as the server's Cyrillic_General_CI_AS does
-- (case-insensitive, Ё beside Е). tsql_datetime() is registered likewise and
-- turns the date literals a statement may carry ('YYYYMMDD', ISO, dd.mm.yyyy)
-- into the one stored form 'YYYY-MM-DD HH:MM:SS', or fails as the server would.
-- Lengths are checked by triggers so that the error text is the server's.

PRAGMA foreign_keys = ON;

CREATE TABLE faculty (
    id_faculty  INTEGER PRIMARY KEY,
    [p23-1]     VARCHAR(100) COLLATE RUSSIAN,
    [p23-2]     VARCHAR(100) COLLATE RUSSIAN
);

CREATE TABLE group_slushatel (
    id_group_slushatel INTEGER PRIMARY KEY AUTOINCREMENT,
    id_faculty         INTEGER REFERENCES faculty (id_faculty),
    name_short         VARCHAR(50) COLLATE RUSSIAN,
    name_full          VARCHAR(100) COLLATE RUSSIAN,
    srok_obuchenia     DATETIME,
    oplata             FLOAT
);
CREATE INDEX group_slushatel_faculty ON group_slushatel (id_faculty);

CREATE TABLE s_fio (
    id_student INTEGER PRIMARY KEY AUTOINCREMENT,
    s_fio      VARCHAR(100) COLLATE RUSSIAN
);
CREATE INDEX s_fio_name ON s_fio (s_fio);

CREATE TABLE prikaz_come_slushatel (
    id_prikaz_come_slushatel INTEGER PRIMARY KEY AUTOINCREMENT,
    prikaz_come              VARCHAR(50) COLLATE RUSSIAN
);

CREATE TABLE prikaz_leave_slushatel (
    id_prikaz_leave_slushatel INTEGER PRIMARY KEY AUTOINCREMENT,
    prikaz_leave              VARCHAR(50) COLLATE RUSSIAN
);

-- One row places one student in one group. id_movement is the row's own key,
-- so that an edited roster row is written back to exactly that row.
CREATE TABLE movement_slushatel (
    id_student                INTEGER REFERENCES s_fio (id_student),
    id_group_slushatel        INTEGER REFERENCES group_slushatel (id_group_slushatel),
    id_prikaz_come_slushatel  INTEGER REFERENCES prikaz_come_slushatel (id_prikaz_come_slushatel),
    id_prikaz_leave_slushatel INTEGER REFERENCES prikaz_leave_slushatel (id_prikaz_leave_slushatel),
    come_date                 DATETIME,
    leave_date                DATETIME,
    come_reg                  VARCHAR(20) COLLATE RUSSIAN,
    leave_reg                 VARCHAR(20) COLLATE RUSSIAN,
    id_movement               INTEGER PRIMARY KEY AUTOINCREMENT
);
CREATE INDEX movement_slushatel_group ON movement_slushatel (id_group_slushatel, id_student);
CREATE INDEX movement_slushatel_student ON movement_slushatel (id_student);
-- An order as the office knows it (which order, its number, its day): the
-- students under one, and the days a number is already used on.
CREATE INDEX movement_slushatel_come_order ON movement_slushatel (id_prikaz_come_slushatel, come_reg, come_date);
CREATE INDEX movement_slushatel_leave_order ON movement_slushatel (id_prikaz_leave_slushatel, leave_reg, leave_date);

-- Lengths and dates, checked and normalised as the server does.
CREATE TRIGGER faculty_lengths_insert BEFORE INSERT ON faculty
WHEN length(NEW.[p23-1]) > 100 OR length(NEW.[p23-2]) > 100
BEGIN SELECT RAISE(ABORT, 'String or binary data would be truncated.'); END;
CREATE TRIGGER faculty_lengths_update BEFORE UPDATE ON faculty
WHEN length(NEW.[p23-1]) > 100 OR length(NEW.[p23-2]) > 100
BEGIN SELECT RAISE(ABORT, 'String or binary data would be truncated.'); END;

CREATE TRIGGER group_slushatel_lengths_insert BEFORE INSERT ON group_slushatel
WHEN length(NEW.name_short) > 50 OR length(NEW.name_full) > 100
BEGIN SELECT RAISE(ABORT, 'String or binary data would be truncated.'); END;
CREATE TRIGGER group_slushatel_lengths_update BEFORE UPDATE ON group_slushatel
WHEN length(NEW.name_short) > 50 OR length(NEW.name_full) > 100
BEGIN SELECT RAISE(ABORT, 'String or binary data would be truncated.'); END;
CREATE TRIGGER group_slushatel_dates_insert AFTER INSERT ON group_slushatel
BEGIN
    UPDATE group_slushatel SET srok_obuchenia = tsql_datetime(NEW.srok_obuchenia)
    WHERE id_group_slushatel = NEW.id_group_slushatel;
END;
CREATE TRIGGER group_slushatel_dates_update AFTER UPDATE OF srok_obuchenia ON group_slushatel
BEGIN
    UPDATE group_slushatel SET srok_obuchenia = tsql_datetime(NEW.srok_obuchenia)
    WHERE id_group_slushatel = NEW.id_group_slushatel;
END;

CREATE TRIGGER s_fio_lengths_insert BEFORE INSERT ON s_fio
WHEN length(NEW.s_fio) > 100
BEGIN SELECT RAISE(ABORT, 'String or binary data would be truncated.'); END;
CREATE TRIGGER s_fio_lengths_update BEFORE UPDATE ON s_fio
WHEN length(NEW.s_fio) > 100
BEGIN SELECT RAISE(ABORT, 'String or binary data would be truncated.'); END;

CREATE TRIGGER prikaz_come_lengths_insert BEFORE INSERT ON prikaz_come_slushatel
WHEN length(NEW.prikaz_come) > 50
BEGIN SELECT RAISE(ABORT, 'String or binary data would be truncated.'); END;
CREATE TRIGGER prikaz_come_lengths_update BEFORE UPDATE ON prikaz_come_slushatel
WHEN length(NEW.prikaz_come) > 50
BEGIN SELECT RAISE(ABORT, 'String or binary data would be truncated.'); END;

CREATE TRIGGER prikaz_leave_lengths_insert BEFORE INSERT ON prikaz_leave_slushatel
WHEN length(NEW.prikaz_leave) > 50
BEGIN SELECT RAISE(ABORT, 'String or binary data would be truncated.'); END;
CREATE TRIGGER prikaz_leave_lengths_update BEFORE UPDATE ON prikaz_leave_slushatel
WHEN length(NEW.prikaz_leave) > 50
BEGIN SELECT RAISE(ABORT, 'String or binary data would be truncated.'); END;

CREATE TRIGGER movement_slushatel_lengths_insert BEFORE INSERT ON movement_slushatel
WHEN length(NEW.come_reg) > 20 OR length(NEW.leave_reg) > 20
BEGIN SELECT RAISE(ABORT, 'String or binary data would be truncated.'); END;
CREATE TRIGGER movement_slushatel_lengths_update BEFORE UPDATE ON movement_slushatel
WHEN length(NEW.come_reg) > 20 OR length(NEW.leave_reg) > 20
BEGIN SELECT RAISE(ABORT, 'String or binary data would be truncated.'); END;
CREATE TRIGGER movement_slushatel_dates_insert AFTER INSERT ON movement_slushatel
BEGIN
    UPDATE movement_slushatel
    SET come_date = tsql_datetime(NEW.come_date), leave_date = tsql_datetime(NEW.leave_date)
    WHERE id_movement = NEW.id_movement;
END;
CREATE TRIGGER movement_slushatel_dates_update AFTER UPDATE OF come_date, leave_date ON movement_slushatel
BEGIN
    UPDATE movement_slushatel
    SET come_date = tsql_datetime(NEW.come_date), leave_date = tsql_datetime(NEW.leave_date)
    WHERE id_movement = NEW.id_movement;
END;

-- Sign-in objects. Only the engine itself reads them: a working login is
-- denied every qor_ table, and the gate login may run GET_USER alone.

-- Database logins, what the server's logins are: the gate login of the
-- settings file and one working login per user.
CREATE TABLE qor_login (
    name     VARCHAR(128) PRIMARY KEY COLLATE NOCASE,
    password VARCHAR(128) NOT NULL,
    is_gate  INTEGER NOT NULL DEFAULT 0
);

-- The people who sign in to the client.
CREATE TABLE qor_user (
    id_user          INTEGER PRIMARY KEY AUTOINCREMENT,
    login            VARCHAR(50) NOT NULL UNIQUE COLLATE RUSSIAN,
    password_hash    TEXT NOT NULL,                -- salted Argon2id hash of the password's MD5 digest (libsodium's text form)
    must_change      INTEGER NOT NULL DEFAULT 0,   -- 1: the next sign-in must set a new password
    password_expires DATETIME,                      -- NULL: the password never expires
    password_days    INTEGER,                       -- life of a new password in days; NULL: never expires
    failed_count     INTEGER NOT NULL DEFAULT 0,   -- failures in a row
    locked_until     DATETIME,                      -- set when failed_count reaches five
    disabled         INTEGER NOT NULL DEFAULT 0,   -- locked by an administrator
    db_login         VARCHAR(128) NOT NULL REFERENCES qor_login (name)
);

CREATE TABLE qor_setting (
    name  VARCHAR(50) PRIMARY KEY,
    value VARCHAR(100)
);
INSERT INTO qor_setting (name, value) VALUES ('min_client', '12');

CREATE TABLE qor_signin_log (
    id_log   INTEGER PRIMARY KEY AUTOINCREMENT,
    at       DATETIME NOT NULL,
    login    VARCHAR(50),
    address  VARCHAR(50),
    computer VARCHAR(256),
    client   VARCHAR(50),
    outcome  VARCHAR(100)
);
