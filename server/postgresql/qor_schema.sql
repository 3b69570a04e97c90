-- The QOR database on PostgreSQL (15 or later, built with ICU): the owner
-- role, the Russian collation, the six data tables with their keys and
-- indexes, the roster's counts for the reports, the four sign-in tables and
-- the one setting. The same tables, columns, lengths and keys as
-- server/qor_schema.sql (SQL Server) and embedded/embedded_schema.sql.
--
-- Run in the database QOR as a superuser, in one transaction:
--   psql -h host -p 5432 -U postgres -d QOR -1 -v ON_ERROR_STOP=1 -f qor_schema.sql
-- Safe to run again: what exists is left as it is.

SET client_min_messages = warning;

-- Russian text of any kind is stored as it is typed.
DO $$
BEGIN
    IF current_setting('server_encoding') <> 'UTF8' THEN
        RAISE EXCEPTION 'Database % uses the encoding %; QOR needs UTF8 (createdb -E UTF8 -T template0).',
            current_database(), current_setting('server_encoding');
    END IF;
END $$;

-- The role that owns every QOR object. Nobody signs in as it: get_user and
-- the roster's counts run with its rights, which reach this database's
-- objects and nothing of the server's.
DO $$
BEGIN
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'qor_owner') THEN
        CREATE ROLE qor_owner NOLOGIN;
    END IF;
    EXECUTE format('ALTER DATABASE %I OWNER TO qor_owner', current_database());
END $$;

SET ROLE qor_owner;

-- No function of this database may be run by every role; what may is
-- granted by name (logins_and_roles.sql).
ALTER DEFAULT PRIVILEGES FOR ROLE qor_owner REVOKE EXECUTE ON FUNCTIONS FROM PUBLIC;

-- bcrypt for the stored passwords, in a schema no client login may use.
CREATE SCHEMA IF NOT EXISTS qor_crypto;
REVOKE ALL ON SCHEMA qor_crypto FROM PUBLIC;
CREATE EXTENSION IF NOT EXISTS pgcrypto SCHEMA qor_crypto;

-- Compares and orders as SQL Server's Cyrillic_General_CI_AS does: letter
-- case ignored (ks-level2), accents not (е and ё differ, ё sorting beside
-- е), Latin before Cyrillic. Nondeterministic, so that = and DISTINCT
-- ignore case too; LIKE does not run on such columns.
CREATE COLLATION IF NOT EXISTS qor_ci (provider = icu, locale = 'und-u-ks-level2', deterministic = false);

-- Data tables ---------------------------------------------------------------

-- Keys are assigned by the database and by nothing else, as SQL Server's
-- identity columns are (GENERATED ALWAYS refuses a key given by a statement).
-- Dates are kept to the second, as the client holds them.

CREATE TABLE IF NOT EXISTS faculty (
    id_faculty integer GENERATED ALWAYS AS IDENTITY,
    "p23-1"    varchar(100) COLLATE qor_ci,
    "p23-2"    varchar(100) COLLATE qor_ci,
    CONSTRAINT "PK_faculty" PRIMARY KEY (id_faculty)
);

CREATE TABLE IF NOT EXISTS group_slushatel (
    id_group_slushatel integer GENERATED ALWAYS AS IDENTITY,
    id_faculty         integer,
    name_short         varchar(50) COLLATE qor_ci,
    name_full          varchar(100) COLLATE qor_ci,
    srok_obuchenia     timestamp(0),
    oplata             double precision,
    CONSTRAINT "PK_group_slushatel" PRIMARY KEY (id_group_slushatel),
    CONSTRAINT "FK_group_slushatel_faculty" FOREIGN KEY (id_faculty) REFERENCES faculty (id_faculty)
);

CREATE TABLE IF NOT EXISTS s_fio (
    id_student integer GENERATED ALWAYS AS IDENTITY,
    s_fio      varchar(100) COLLATE qor_ci,
    CONSTRAINT "PK_s_fio" PRIMARY KEY (id_student)
);

CREATE TABLE IF NOT EXISTS prikaz_come_slushatel (
    id_prikaz_come_slushatel integer GENERATED ALWAYS AS IDENTITY,
    prikaz_come              varchar(50) COLLATE qor_ci,
    CONSTRAINT "PK_prikaz_come_slushatel" PRIMARY KEY (id_prikaz_come_slushatel)
);

CREATE TABLE IF NOT EXISTS prikaz_leave_slushatel (
    id_prikaz_leave_slushatel integer GENERATED ALWAYS AS IDENTITY,
    prikaz_leave              varchar(50) COLLATE qor_ci,
    CONSTRAINT "PK_prikaz_leave_slushatel" PRIMARY KEY (id_prikaz_leave_slushatel)
);

-- One row places one student in one group. id_movement is the row's own key
-- (and the last column), so that an edited roster row is written back to
-- exactly that row.
CREATE TABLE IF NOT EXISTS movement_slushatel (
    id_student                integer,
    id_group_slushatel        integer,
    id_prikaz_come_slushatel  integer,
    id_prikaz_leave_slushatel integer,
    come_date                 timestamp(0),
    leave_date                timestamp(0),
    come_reg                  varchar(20) COLLATE qor_ci,
    leave_reg                 varchar(20) COLLATE qor_ci,
    id_movement               integer GENERATED ALWAYS AS IDENTITY,
    CONSTRAINT "PK_movement_slushatel" PRIMARY KEY (id_movement),
    CONSTRAINT "FK_movement_slushatel_s_fio" FOREIGN KEY (id_student) REFERENCES s_fio (id_student),
    CONSTRAINT "FK_movement_slushatel_group" FOREIGN KEY (id_group_slushatel)
        REFERENCES group_slushatel (id_group_slushatel),
    CONSTRAINT "FK_movement_slushatel_prikaz_come" FOREIGN KEY (id_prikaz_come_slushatel)
        REFERENCES prikaz_come_slushatel (id_prikaz_come_slushatel),
    CONSTRAINT "FK_movement_slushatel_prikaz_leave" FOREIGN KEY (id_prikaz_leave_slushatel)
        REFERENCES prikaz_leave_slushatel (id_prikaz_leave_slushatel)
);

-- The screens look groups up by faculty, students by name, and a group's
-- roster by group then student; a deleted order or student finds the rows
-- that still refer to it.
CREATE INDEX IF NOT EXISTS group_slushatel_faculty ON group_slushatel (id_faculty);
CREATE INDEX IF NOT EXISTS s_fio_name ON s_fio (s_fio);
CREATE INDEX IF NOT EXISTS movement_slushatel_group ON movement_slushatel (id_group_slushatel, id_student);
CREATE INDEX IF NOT EXISTS movement_slushatel_student ON movement_slushatel (id_student);
CREATE INDEX IF NOT EXISTS movement_slushatel_prikaz_come ON movement_slushatel (id_prikaz_come_slushatel);
CREATE INDEX IF NOT EXISTS movement_slushatel_prikaz_leave ON movement_slushatel (id_prikaz_leave_slushatel);
-- An order as the office knows it (which order, its number, its day): the
-- students under one, and the days a number is already used on.
CREATE INDEX IF NOT EXISTS movement_slushatel_come_order ON movement_slushatel (id_prikaz_come_slushatel, come_reg, come_date);
CREATE INDEX IF NOT EXISTS movement_slushatel_leave_order ON movement_slushatel (id_prikaz_leave_slushatel, leave_reg, leave_date);

-- The roster rows counted per group and pair of dates, which the reports of
-- groups sum: a few rows a group instead of every roster row. Kept by the
-- roster's trigger in the same transaction as every write; no client login
-- may write it.
CREATE TABLE IF NOT EXISTS movement_counts (
    id_group_slushatel integer,
    come_date          timestamp(0),
    leave_date         timestamp(0),
    roster_rows        integer NOT NULL,
    CONSTRAINT movement_counts_key UNIQUE NULLS NOT DISTINCT (id_group_slushatel, come_date, leave_date)
);

-- What SQL Server's HAS_PERMS_BY_NAME answers for a table: 1 when the
-- caller may do that with it, 0 when not, NULL for no such table. The
-- registers ask it to learn whether they may change students and faculties.
CREATE OR REPLACE FUNCTION has_perms_by_name(p_securable text, p_class text, p_permission text)
RETURNS integer
LANGUAGE sql STABLE
SET search_path = public, pg_temp
AS $$
    SELECT CASE
        WHEN upper(p_class) <> 'OBJECT' OR to_regclass(t.name) IS NULL THEN NULL
        WHEN has_table_privilege(t.name, p_permission) THEN 1
        ELSE 0
    END
    FROM (SELECT lower(regexp_replace(regexp_replace(p_securable, '^\[?dbo\]?\.', '', 'i'), '[][]', '', 'g')) AS name) AS t
$$;

-- One row counted in (+1) or out (-1) under its group and dates; a pair
-- that counts nothing goes.
CREATE OR REPLACE FUNCTION qor_count_roster_row(p_group integer, p_come timestamp, p_leave timestamp, p_delta integer)
RETURNS void
LANGUAGE plpgsql
SET search_path = public, pg_temp
AS $$
DECLARE
    v_rows  integer;
    v_place tid;
BEGIN
    INSERT INTO movement_counts AS c (id_group_slushatel, come_date, leave_date, roster_rows)
    VALUES (p_group, p_come, p_leave, p_delta)
    ON CONFLICT (id_group_slushatel, come_date, leave_date)
    DO UPDATE SET roster_rows = c.roster_rows + p_delta
    RETURNING c.roster_rows, c.ctid INTO v_rows, v_place;
    IF v_rows = 0 THEN
        DELETE FROM movement_counts WHERE ctid = v_place;
    END IF;
END $$;

-- Runs with the owner's rights, so that the working logins' writes to the
-- roster keep the counts they may only read. A changed row is counted out
-- of one pair and into another in the pairs' order, so that two clients
-- moving rows between the same pairs take their locks in the same order.
CREATE OR REPLACE FUNCTION qor_keep_roster_counts()
RETURNS trigger
LANGUAGE plpgsql
SECURITY DEFINER
SET search_path = public, pg_temp
AS $$
BEGIN
    IF TG_OP = 'INSERT' THEN
        PERFORM qor_count_roster_row(NEW.id_group_slushatel, NEW.come_date, NEW.leave_date, 1);
    ELSIF TG_OP = 'DELETE' THEN
        PERFORM qor_count_roster_row(OLD.id_group_slushatel, OLD.come_date, OLD.leave_date, -1);
    ELSIF (OLD.id_group_slushatel, OLD.come_date, OLD.leave_date)
          IS DISTINCT FROM (NEW.id_group_slushatel, NEW.come_date, NEW.leave_date) THEN
        IF (coalesce(OLD.id_group_slushatel, -1), coalesce(OLD.come_date, '-infinity'), coalesce(OLD.leave_date, '-infinity'))
           < (coalesce(NEW.id_group_slushatel, -1), coalesce(NEW.come_date, '-infinity'), coalesce(NEW.leave_date, '-infinity')) THEN
            PERFORM qor_count_roster_row(OLD.id_group_slushatel, OLD.come_date, OLD.leave_date, -1);
            PERFORM qor_count_roster_row(NEW.id_group_slushatel, NEW.come_date, NEW.leave_date, 1);
        ELSE
            PERFORM qor_count_roster_row(NEW.id_group_slushatel, NEW.come_date, NEW.leave_date, 1);
            PERFORM qor_count_roster_row(OLD.id_group_slushatel, OLD.come_date, OLD.leave_date, -1);
        END IF;
    END IF;
    RETURN NULL;
END $$;

CREATE OR REPLACE TRIGGER movement_counts_kept
AFTER INSERT OR DELETE OR UPDATE OF id_group_slushatel, come_date, leave_date ON movement_slushatel
FOR EACH ROW EXECUTE FUNCTION qor_keep_roster_counts();

-- Sign-in tables ------------------------------------------------------------
-- Only get_user and the administrators read them: no client login has a
-- right on any qor_ table (logins_and_roles.sql).

-- The working logins get_user hands out, with their passwords: the client
-- needs the password itself to open its connection, so it is kept as is.
CREATE TABLE IF NOT EXISTS qor_login (
    name     varchar(128) NOT NULL,
    password varchar(128) NOT NULL,
    is_gate  boolean NOT NULL DEFAULT false,
    CONSTRAINT "PK_qor_login" PRIMARY KEY (name)
);

-- The people who sign in to the client. A login compares without regard to
-- letter case, as on SQL Server.
CREATE TABLE IF NOT EXISTS qor_user (
    id_user          integer GENERATED ALWAYS AS IDENTITY,
    login            varchar(50) COLLATE qor_ci NOT NULL,
    password_hash    text NOT NULL,          -- bcrypt of the password's MD5 digest (qor_password_hash)
    must_change      boolean NOT NULL DEFAULT false,
    password_expires timestamp(0),           -- NULL: the password never expires
    password_days    integer,                -- life of a new password in days; NULL: never expires
    failed_count     integer NOT NULL DEFAULT 0,
    locked_until     timestamp(0),           -- set when failed_count reaches five
    disabled         boolean NOT NULL DEFAULT false,
    db_login         varchar(128) NOT NULL,
    CONSTRAINT "PK_qor_user" PRIMARY KEY (id_user),
    CONSTRAINT "UQ_qor_user_login" UNIQUE (login),
    CONSTRAINT "FK_qor_user_qor_login" FOREIGN KEY (db_login) REFERENCES qor_login (name),
    -- Zero or less would make a just-changed password due again at once.
    CONSTRAINT "CK_qor_user_password_days" CHECK (password_days IS NULL OR password_days > 0)
);

CREATE TABLE IF NOT EXISTS qor_setting (
    name  varchar(50) NOT NULL,
    value varchar(100),
    CONSTRAINT "PK_qor_setting" PRIMARY KEY (name)
);

-- The oldest client build allowed to sign in. Kept if an office raised it.
INSERT INTO qor_setting (name, value) VALUES ('min_client', '12') ON CONFLICT (name) DO NOTHING;

-- One row per get_user call.
CREATE TABLE IF NOT EXISTS qor_signin_log (
    id_log   integer GENERATED ALWAYS AS IDENTITY,
    at       timestamp(0) NOT NULL,
    login    varchar(50),
    address  varchar(50),
    computer varchar(256),
    client   varchar(50),
    outcome  varchar(100),
    CONSTRAINT "PK_qor_signin_log" PRIMARY KEY (id_log)
);

RESET ROLE;
