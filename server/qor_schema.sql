-- The QOR database on SQL Server: tables, indexes and the one setting.
-- The same objects as data/embedded_schema.sql, with the same names, column
-- order and lengths. Safe to run again: nothing that exists is touched,
-- except that the bare MD5 digests an earlier version kept in qor_user are
-- replaced by their salted hashes (see dbo.qor_password_hash).
--
-- Run with sqlcmd (or SSMS in SQLCMD mode):
--   sqlcmd -S host,1433 -U sa -b -f 65001 -i qor_schema.sql

:on error exit

SET ANSI_NULLS ON;
SET QUOTED_IDENTIFIER ON;
SET NOCOUNT ON;
GO

USE master;
GO

-- The client's text is Windows-1251, so the whole database (and every
-- varchar column, which inherits it) uses the Cyrillic code page.
IF DB_ID(N'QOR') IS NULL
    CREATE DATABASE QOR COLLATE Cyrillic_General_CI_AS;
GO

-- A database made earlier with another collation would silently store
-- Russian text as '?': stop rather than build on it.
IF CONVERT(sysname, DATABASEPROPERTYEX(N'QOR', 'Collation')) <> N'Cyrillic_General_CI_AS'
BEGIN
    THROW 50000, 'Database QOR exists with a collation other than Cyrillic_General_CI_AS.', 1;
END;
GO

USE QOR;
GO

-- Data tables --------------------------------------------------------------

IF OBJECT_ID(N'dbo.faculty', N'U') IS NULL
    CREATE TABLE dbo.faculty (
        id_faculty int IDENTITY (1, 1) NOT NULL,
        [p23-1]    varchar(100) NULL,
        [p23-2]    varchar(100) NULL,
        CONSTRAINT PK_faculty PRIMARY KEY CLUSTERED (id_faculty)
    );
GO

IF OBJECT_ID(N'dbo.group_slushatel', N'U') IS NULL
    CREATE TABLE dbo.group_slushatel (
        id_group_slushatel int IDENTITY (1, 1) NOT NULL,
        id_faculty         int NULL,
        name_short         varchar(50) NULL,
        name_full          varchar(100) NULL,
        srok_obuchenia     datetime NULL,
        oplata             float NULL,
        CONSTRAINT PK_group_slushatel PRIMARY KEY CLUSTERED (id_group_slushatel),
        CONSTRAINT FK_group_slushatel_faculty FOREIGN KEY (id_faculty)
            REFERENCES dbo.faculty (id_faculty)
    );
GO

IF OBJECT_ID(N'dbo.s_fio', N'U') IS NULL
    CREATE TABLE dbo.s_fio (
        id_student int IDENTITY (1, 1) NOT NULL,
        s_fio      varchar(100) NULL,
        CONSTRAINT PK_s_fio PRIMARY KEY CLUSTERED (id_student)
    );
GO

IF OBJECT_ID(N'dbo.prikaz_come_slushatel', N'U') IS NULL
    CREATE TABLE dbo.prikaz_come_slushatel (
        id_prikaz_come_slushatel int IDENTITY (1, 1) NOT NULL,
        prikaz_come              varchar(50) NULL,
        CONSTRAINT PK_prikaz_come_slushatel PRIMARY KEY CLUSTERED (id_prikaz_come_slushatel)
    );
GO

IF OBJECT_ID(N'dbo.prikaz_leave_slushatel', N'U') IS NULL
    CREATE TABLE dbo.prikaz_leave_slushatel (
        id_prikaz_leave_slushatel int IDENTITY (1, 1) NOT NULL,
        prikaz_leave              varchar(50) NULL,
        CONSTRAINT PK_prikaz_leave_slushatel PRIMARY KEY CLUSTERED (id_prikaz_leave_slushatel)
    );
GO

-- One row places one student in one group. id_movement is the row's own key
-- (and the last column, as on the embedded engine), so that an edited roster
-- row is written back to exactly that row.
IF OBJECT_ID(N'dbo.movement_slushatel', N'U') IS NULL
    CREATE TABLE dbo.movement_slushatel (
        id_student                int NULL,
        id_group_slushatel        int NULL,
        id_prikaz_come_slushatel  int NULL,
        id_prikaz_leave_slushatel int NULL,
        come_date                 datetime NULL,
        leave_date                datetime NULL,
        come_reg                  varchar(20) NULL,
        leave_reg                 varchar(20) NULL,
        id_movement               int IDENTITY (1, 1) NOT NULL,
        CONSTRAINT PK_movement_slushatel PRIMARY KEY CLUSTERED (id_movement),
        CONSTRAINT FK_movement_slushatel_s_fio FOREIGN KEY (id_student)
            REFERENCES dbo.s_fio (id_student),
        CONSTRAINT FK_movement_slushatel_group FOREIGN KEY (id_group_slushatel)
            REFERENCES dbo.group_slushatel (id_group_slushatel),
        CONSTRAINT FK_movement_slushatel_prikaz_come FOREIGN KEY (id_prikaz_come_slushatel)
            REFERENCES dbo.prikaz_come_slushatel (id_prikaz_come_slushatel),
        CONSTRAINT FK_movement_slushatel_prikaz_leave FOREIGN KEY (id_prikaz_leave_slushatel)
            REFERENCES dbo.prikaz_leave_slushatel (id_prikaz_leave_slushatel)
    );
GO

-- The screens look groups up by faculty, students by name, and a group's
-- roster by group then student.
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE object_id = OBJECT_ID(N'dbo.group_slushatel') AND name = N'group_slushatel_faculty')
    CREATE INDEX group_slushatel_faculty ON dbo.group_slushatel (id_faculty);
GO

IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE object_id = OBJECT_ID(N'dbo.s_fio') AND name = N's_fio_name')
    CREATE INDEX s_fio_name ON dbo.s_fio (s_fio);
GO

IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE object_id = OBJECT_ID(N'dbo.movement_slushatel') AND name = N'movement_slushatel_group')
    CREATE INDEX movement_slushatel_group ON dbo.movement_slushatel (id_group_slushatel, id_student);
GO

IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE object_id = OBJECT_ID(N'dbo.movement_slushatel') AND name = N'movement_slushatel_student')
    CREATE INDEX movement_slushatel_student ON dbo.movement_slushatel (id_student);
GO

-- An order as the office knows it (which order, its number, its day): the
-- students under one, and the days a number is already used on.
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE object_id = OBJECT_ID(N'dbo.movement_slushatel') AND name = N'movement_slushatel_come_order')
    CREATE INDEX movement_slushatel_come_order ON dbo.movement_slushatel (id_prikaz_come_slushatel, come_reg, come_date);
GO

IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE object_id = OBJECT_ID(N'dbo.movement_slushatel') AND name = N'movement_slushatel_leave_order')
    CREATE INDEX movement_slushatel_leave_order ON dbo.movement_slushatel (id_prikaz_leave_slushatel, leave_reg, leave_date);
GO

-- The reports of groups count every roster row by its dates (through the
-- view movement_counts): this index holds all they read.
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE object_id = OBJECT_ID(N'dbo.movement_slushatel') AND name = N'movement_slushatel_group_dates')
    CREATE INDEX movement_slushatel_group_dates ON dbo.movement_slushatel (id_group_slushatel)
        INCLUDE (come_date, leave_date);
GO

-- The roster rows counted per group and pair of dates, which the reports of
-- groups sum (the embedded engine keeps the same name as a table, by
-- triggers, so that it need not count every roster row).
IF OBJECT_ID(N'dbo.movement_counts', N'V') IS NULL
    EXEC (N'CREATE VIEW dbo.movement_counts AS
SELECT id_group_slushatel, come_date, leave_date, COUNT(*) AS roster_rows
FROM dbo.movement_slushatel
GROUP BY id_group_slushatel, come_date, leave_date');
GO

-- Sign-in tables -----------------------------------------------------------
-- Only GET_USER and the administrators read them: the working logins'
-- role has no grant on any qor_ table, and the gate login may run GET_USER
-- alone (logins_and_roles.sql).

-- The working logins GET_USER hands out, with their passwords: the client
-- needs the password itself to open its connection, so it is kept as is.
IF OBJECT_ID(N'dbo.qor_login', N'U') IS NULL
    CREATE TABLE dbo.qor_login (
        name     varchar(128) NOT NULL,
        password varchar(128) NOT NULL,
        is_gate  bit NOT NULL CONSTRAINT DF_qor_login_is_gate DEFAULT (0),
        CONSTRAINT PK_qor_login PRIMARY KEY CLUSTERED (name)
    );
GO

-- What qor_user keeps of a password: SHA-512, iterated @rounds times, over a
-- random salt and the MD5 digest the client sends (32 upper-case hex
-- digits). The client's exchange is unchanged; a copied database gives no
-- digest away, and every guess at a password costs the rounds for one user.
--   h(1) = SHA-512(salt + digest), h(i) = SHA-512(h(i-1) + salt + digest)
CREATE OR ALTER FUNCTION dbo.qor_password_hash (@salt varbinary(16), @digest varchar(32), @rounds int)
RETURNS varbinary(64)
WITH SCHEMABINDING, RETURNS NULL ON NULL INPUT
AS
BEGIN
    DECLARE @input varbinary(48) = @salt + CONVERT(varbinary(32), UPPER(@digest));
    DECLARE @hash varbinary(64) = HASHBYTES('SHA2_512', @input);
    DECLARE @i int = 1;

    WHILE @i < @rounds
    BEGIN
        SET @hash = HASHBYTES('SHA2_512', @hash + @input);
        SET @i = @i + 1;
    END;

    RETURN @hash;
END;
GO

-- The rounds of every new hash. A hash keeps its own count, so raising this
-- takes effect password by password, at each user's next sign-in.
CREATE OR ALTER FUNCTION dbo.qor_password_rounds ()
RETURNS int
WITH SCHEMABINDING
AS
BEGIN
    RETURN 10000;
END;
GO

-- The people who sign in to the client.
IF OBJECT_ID(N'dbo.qor_user', N'U') IS NULL
    CREATE TABLE dbo.qor_user (
        id_user          int IDENTITY (1, 1) NOT NULL,
        login            varchar(50) NOT NULL,
        password_salt    varbinary(16) NOT NULL,  -- random, new with every password
        password_hash    varbinary(64) NOT NULL,  -- dbo.qor_password_hash(password_salt, digest, password_rounds)
        password_rounds  int NOT NULL,
        must_change      bit NOT NULL CONSTRAINT DF_qor_user_must_change DEFAULT (0),
        password_expires datetime NULL,       -- NULL: the password never expires
        password_days    int NULL,            -- life of a new password in days; NULL: never expires
        failed_count     int NOT NULL CONSTRAINT DF_qor_user_failed_count DEFAULT (0),
        locked_until     datetime NULL,       -- set when failed_count reaches five
        disabled         bit NOT NULL CONSTRAINT DF_qor_user_disabled DEFAULT (0),
        db_login         varchar(128) NOT NULL,
        CONSTRAINT PK_qor_user PRIMARY KEY CLUSTERED (id_user),
        CONSTRAINT UQ_qor_user_login UNIQUE (login),
        CONSTRAINT FK_qor_user_qor_login FOREIGN KEY (db_login)
            REFERENCES dbo.qor_login (name),
        CONSTRAINT CK_qor_user_password_rounds CHECK (password_rounds > 0),
        -- Zero or less would make a just-changed password due again at once.
        CONSTRAINT CK_qor_user_password_days
            CHECK (password_days IS NULL OR password_days > 0)
    );
GO

-- A qor_user made by an earlier version of this script kept the bare MD5
-- digest (password_md5). Its digests are hashed here, all at once, and the
-- column goes, so that a copy of the database gives none away. Statements
-- that name the columns this block adds or drops are compiled only when
-- they run (sp_executesql).
IF COL_LENGTH(N'dbo.qor_user', N'password_md5') IS NOT NULL
BEGIN
    SET XACT_ABORT ON;
    BEGIN TRANSACTION;

    IF COL_LENGTH(N'dbo.qor_user', N'password_hash') IS NULL
        ALTER TABLE dbo.qor_user
            ADD password_salt   varbinary(16) NULL,
                password_hash   varbinary(64) NULL,
                password_rounds int NULL;

    EXEC sys.sp_executesql N'
        DECLARE @id int, @salt varbinary(16);
        SELECT @id = MIN(id_user) FROM dbo.qor_user WHERE password_hash IS NULL;
        WHILE @id IS NOT NULL
        BEGIN
            SET @salt = CRYPT_GEN_RANDOM(16);
            UPDATE dbo.qor_user
            SET password_salt = @salt,
                password_rounds = dbo.qor_password_rounds(),
                password_hash = dbo.qor_password_hash(@salt, password_md5, dbo.qor_password_rounds())
            WHERE id_user = @id;
            SELECT @id = MIN(id_user) FROM dbo.qor_user WHERE password_hash IS NULL AND id_user > @id;
        END;';

    IF OBJECT_ID(N'dbo.CK_qor_user_password_md5', N'C') IS NOT NULL
        ALTER TABLE dbo.qor_user DROP CONSTRAINT CK_qor_user_password_md5;
    EXEC sys.sp_executesql N'
        ALTER TABLE dbo.qor_user DROP COLUMN password_md5;
        ALTER TABLE dbo.qor_user ALTER COLUMN password_salt varbinary(16) NOT NULL;
        ALTER TABLE dbo.qor_user ALTER COLUMN password_hash varbinary(64) NOT NULL;
        ALTER TABLE dbo.qor_user ALTER COLUMN password_rounds int NOT NULL;
        ALTER TABLE dbo.qor_user ADD CONSTRAINT CK_qor_user_password_rounds CHECK (password_rounds > 0);';

    COMMIT TRANSACTION;
END;
GO

IF OBJECT_ID(N'dbo.qor_setting', N'U') IS NULL
    CREATE TABLE dbo.qor_setting (
        name  varchar(50) NOT NULL,
        value varchar(100) NULL,
        CONSTRAINT PK_qor_setting PRIMARY KEY CLUSTERED (name)
    );
GO

-- The oldest client build allowed to sign in. Kept if an office raised it.
IF NOT EXISTS (SELECT 1 FROM dbo.qor_setting WHERE name = 'min_client')
    INSERT INTO dbo.qor_setting (name, value) VALUES ('min_client', '12');
GO

-- One row per GET_USER call.
IF OBJECT_ID(N'dbo.qor_signin_log', N'U') IS NULL
    CREATE TABLE dbo.qor_signin_log (
        id_log   int IDENTITY (1, 1) NOT NULL,
        [at]     datetime NOT NULL,
        login    varchar(50) NULL,
        address  varchar(50) NULL,
        computer varchar(256) NULL,
        client   varchar(50) NULL,
        outcome  varchar(100) NULL,
        CONSTRAINT PK_qor_signin_log PRIMARY KEY CLUSTERED (id_log)
    );
GO
