-- Who may do what in QOR: the two roles, the function administrators use to
-- add users, and the gate login the settings files carry. Run after
-- qor_schema.sql and get_user.sql, in the database QOR, as a superuser (or a
-- role with CREATEROLE that owns the database's objects), with the gate
-- login's password in the setting qor.gate_password:
--   PGOPTIONS='-c qor.gate_password=Gate-2025-qor' \
--   psql -h host -p 5432 -U postgres -d QOR -1 -v ON_ERROR_STOP=1 -f logins_and_roles.sql
-- Safe to run again; an existing gate login keeps its password.

SET client_min_messages = warning;

-- Roles ---------------------------------------------------------------------

-- The gate login signs in with the password every settings file carries, so
-- it may do one thing: ask get_user for a user's working login. The working
-- logins: the client's screens, on the six data tables only.
DO $$
BEGIN
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'qor_gate_role') THEN
        CREATE ROLE qor_gate_role NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'qor_worker_role') THEN
        CREATE ROLE qor_worker_role NOLOGIN;
    END IF;
    -- Only the two roles' members connect to this database, and none of them
    -- may make temporary tables in it.
    EXECUTE format('REVOKE ALL ON DATABASE %I FROM PUBLIC', current_database());
    EXECUTE format('GRANT CONNECT ON DATABASE %I TO qor_gate_role, qor_worker_role', current_database());
END $$;

SET ROLE qor_owner;

REVOKE ALL ON SCHEMA public FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO qor_gate_role, qor_worker_role;

-- The gate: get_user and nothing else. get_user runs with the owner's
-- rights, so the gate needs none on the tables it reads and writes.
REVOKE EXECUTE ON ALL FUNCTIONS IN SCHEMA public FROM PUBLIC;
GRANT EXECUTE ON FUNCTION get_user(text, text, text, text, text, text, text, text, text) TO qor_gate_role;

-- The working logins: the six data tables, and the roster's counts to read.
-- No grant on any qor_ table: those hold every working login's password.
GRANT SELECT, INSERT, UPDATE, DELETE ON faculty, group_slushatel, s_fio, prikaz_come_slushatel,
    prikaz_leave_slushatel, movement_slushatel TO qor_worker_role;
GRANT SELECT ON movement_counts TO qor_worker_role;
-- The registers ask what the login may change.
GRANT EXECUTE ON FUNCTION has_perms_by_name(text, text, text) TO qor_worker_role;

RESET ROLE;

-- Adding users --------------------------------------------------------------

-- Adds a person who signs in to the client, and the working login the client
-- then connects with. Without p_db_login each person gets a login of their
-- own (qor_work_ and eight random hex digits) with a random password no one
-- needs to know; with it several people may share one login, which must be
-- new or recorded here with that password.
--   p_password_md5     upper- or lower-case hex MD5 of the Windows-1251 password
--   p_must_change      true: the first sign-in must set a new password
--   p_expires_in_days  the first password's life; NULL: never expires
--   p_password_days    the life of each new password; NULL: never expires
-- Runs with the caller's rights: creating a login needs CREATEROLE.
-- Returns the new user's id_user.
CREATE OR REPLACE FUNCTION qor_add_user(
    p_login           text,
    p_password_md5    text,
    p_must_change     boolean DEFAULT false,
    p_expires_in_days integer DEFAULT NULL,
    p_password_days   integer DEFAULT NULL,
    p_db_login        text DEFAULT NULL,
    p_db_password     text DEFAULT NULL)
RETURNS integer
LANGUAGE plpgsql
SET search_path = public, pg_temp
AS $$
DECLARE
    v_db_login    text := p_db_login;
    v_db_password text := p_db_password;
    v_recorded    qor_login%ROWTYPE;
    v_role        pg_roles%ROWTYPE;
    v_id          integer;
BEGIN
    IF btrim(coalesce(p_login, '')) = '' OR char_length(p_login) > 50 THEN
        RAISE EXCEPTION 'The user''s login must be 1 to 50 characters.';
    END IF;
    IF coalesce(p_password_md5, '') COLLATE "C" !~ '^[0-9A-Fa-f]{32}$' THEN
        RAISE EXCEPTION 'The password digest must be 32 hexadecimal digits.';
    END IF;
    IF p_password_days <= 0 THEN
        RAISE EXCEPTION 'p_password_days must be a positive number of days, or NULL.';
    END IF;
    IF EXISTS (SELECT 1 FROM qor_user AS u WHERE u.login = p_login) THEN
        RAISE EXCEPTION 'User % exists already.', p_login;
    END IF;

    IF v_db_login IS NULL THEN
        LOOP
            v_db_login := 'qor_work_' || encode(qor_crypto.gen_random_bytes(4), 'hex');
            EXIT WHEN NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = v_db_login);
        END LOOP;
        v_db_password := encode(qor_crypto.gen_random_bytes(12), 'hex');
    END IF;
    IF btrim(v_db_login) = '' OR coalesce(v_db_password, '') = '' THEN
        RAISE EXCEPTION 'The working login needs a name and a password.';
    END IF;
    -- get_user hands both out in their stored form, Windows-1251 bytes;
    -- qor_stored_form refuses what it cannot hold.
    PERFORM qor_stored_form(v_db_login), qor_stored_form(v_db_password);

    SELECT * INTO v_recorded FROM qor_login AS l WHERE l.name = v_db_login;
    IF FOUND AND (v_recorded.is_gate OR v_recorded.password IS DISTINCT FROM v_db_password) THEN
        RAISE EXCEPTION 'Login % is already recorded with another password, or is the gate login.', v_db_login;
    END IF;

    SELECT * INTO v_role FROM pg_roles WHERE rolname = v_db_login;
    IF FOUND THEN
        -- get_user hands this login to every client of the user: never one
        -- that may do more than work on the data.
        IF v_role.rolsuper OR v_role.rolcreaterole OR v_role.rolcreatedb OR v_role.rolreplication
           OR v_role.rolbypassrls OR pg_has_role(v_db_login, 'qor_owner', 'MEMBER')
           OR pg_has_role(v_db_login, 'qor_gate_role', 'MEMBER') THEN
            RAISE EXCEPTION 'Login % may do more than work on the data; choose a login for work only.', v_db_login;
        END IF;
        IF v_recorded.name IS NULL THEN
            RAISE EXCEPTION 'Login % exists but is not a QOR working login; its password cannot be checked.', v_db_login;
        END IF;
    ELSE
        EXECUTE format('CREATE ROLE %I LOGIN PASSWORD %L IN ROLE qor_worker_role', v_db_login, v_db_password);
    END IF;

    IF v_recorded.name IS NULL THEN
        INSERT INTO qor_login (name, password, is_gate) VALUES (v_db_login, v_db_password, false);
    END IF;

    INSERT INTO qor_user (login, password_hash, must_change, password_expires, password_days, db_login)
    VALUES (p_login, qor_password_hash(p_password_md5), coalesce(p_must_change, false),
            localtimestamp(0) + make_interval(days => p_expires_in_days), p_password_days, v_db_login)
    RETURNING id_user INTO v_id;
    RETURN v_id;
END $$;
ALTER FUNCTION qor_add_user(text, text, boolean, integer, integer, text, text) OWNER TO qor_owner;
REVOKE EXECUTE ON FUNCTION qor_add_user(text, text, boolean, integer, integer, text, text) FROM PUBLIC;

-- The gate login ------------------------------------------------------------

-- Every settings file holds its password, at most 20 characters of it. Kept
-- as it is if the login exists: changing it means rebuilding every office's
-- settings file (ALTER ROLE qor_gate PASSWORD '...').
DO $$
DECLARE
    v_password text := current_setting('qor.gate_password', true);
BEGIN
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'qor_gate') THEN
        IF char_length(coalesce(v_password, '')) NOT BETWEEN 1 AND 20 THEN
            RAISE EXCEPTION 'Give the gate login a password of 1 to 20 characters in qor.gate_password: the settings record holds no more.';
        END IF;
        -- The settings record keeps it in Windows-1251.
        PERFORM convert_to(v_password, 'WIN1251');
        EXECUTE format('CREATE ROLE qor_gate LOGIN PASSWORD %L IN ROLE qor_gate_role', v_password);
    ELSE
        RAISE NOTICE 'Login qor_gate exists; its password is unchanged.';
        GRANT qor_gate_role TO qor_gate;
    END IF;
END $$;
