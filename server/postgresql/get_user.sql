-- get_user, the sign-in exchange, and the functions it uses: the password
-- hash and the stored form. Run after qor_schema.sql, in the database QOR:
--   psql -h host -p 5432 -U postgres -d QOR -1 -v ON_ERROR_STOP=1 -f get_user.sql
-- Safe to run again: the functions are replaced with this text.

SET client_min_messages = warning;
SET ROLE qor_owner;

-- The cost of every new hash: bcrypt's 2^10 rounds take some tens of
-- milliseconds of the server per sign-in. A stored hash keeps its own cost
-- and is made again with this one at its user's next sign-in.
CREATE OR REPLACE FUNCTION qor_password_cost()
RETURNS integer
LANGUAGE sql IMMUTABLE
AS $$ SELECT 10 $$;

-- What qor_user keeps of a password: a salted bcrypt hash of the MD5 digest
-- the client sends (32 upper-case hex digits). The client's exchange is
-- unchanged; a copied database gives no digest away, and every guess at a
-- password costs a bcrypt for one user.
CREATE OR REPLACE FUNCTION qor_password_hash(p_digest text)
RETURNS text
LANGUAGE sql VOLATILE STRICT
SET search_path = pg_catalog, pg_temp
AS $$ SELECT qor_crypto.crypt(upper(p_digest), qor_crypto.gen_salt('bf', public.qor_password_cost())) $$;

-- Whether the digest is the password a hash was made of; a missing hash or
-- digest is simply wrong.
CREATE OR REPLACE FUNCTION qor_password_matches(p_digest text, p_hash text)
RETURNS boolean
LANGUAGE sql STABLE
SET search_path = pg_catalog, pg_temp
AS $$ SELECT coalesce(qor_crypto.crypt(upper(p_digest), p_hash) = p_hash, false) $$;

-- The form in which get_user hands out the working login's name and
-- password: every Windows-1251 byte one less, modulo 256. The client adds
-- the one back before it connects. Byte 0x98, which Windows-1251 leaves
-- unassigned, travels as U+0098, as the client reads it.
CREATE OR REPLACE FUNCTION qor_stored_form(p_text text)
RETURNS text
LANGUAGE plpgsql IMMUTABLE STRICT
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_result text := '';
    v_byte   integer;
BEGIN
    FOR i IN 1 .. char_length(p_text) LOOP
        v_byte := (get_byte(convert_to(substr(p_text, i, 1), 'WIN1251'), 0) + 255) % 256;
        IF v_byte = 0 THEN
            RAISE EXCEPTION 'The text holds the character with code 1, which has no stored form.';
        END IF;
        v_result := v_result || CASE WHEN v_byte = 152 THEN chr(152)
                                     ELSE convert_from(decode(lpad(to_hex(v_byte), 2, '0'), 'hex'), 'WIN1251') END;
    END LOOP;
    RETURN v_result;
END $$;

-- Called by the gate login of the settings file, as the client's
--   EXEC GET_USER 'ivanov', '<MD5>', NULL, 'QOR 12', '10.0.0.5', 'PC01', 'ivanov', '0', '4'
-- becomes: SELECT * FROM get_user('ivanov', '<MD5>', NULL, 'QOR 12', ...).
-- Returns one row (login, password, id_user, standing, message, outdated):
-- the working login in stored form when the user may work, otherwise NULLs
-- and a message for the user. standing is the password's days left, 999 for
-- never or for the call that has just stored a new password, below zero when
-- it must be changed first. Every call leaves one row in qor_signin_log, in
-- the same transaction as what it changed.
-- Runs with the owner's rights: the gate login may read no table itself.
CREATE OR REPLACE FUNCTION get_user(
    p_login            text,
    p_password_md5     text,
    p_new_password_md5 text,   -- NULL unless the user sets a new password
    p_client           text,   -- 'QOR <build>'
    p_address          text,
    p_computer         text,
    -- The client sends these three for its own reasons; nothing here needs them.
    p_login_again      text,
    p_reserved         text,
    p_new_arg_length   text)
RETURNS TABLE (login varchar(128), password varchar(128), id_user integer, standing integer,
               message varchar(200), outdated integer)
LANGUAGE plpgsql
VOLATILE
SECURITY DEFINER
SET search_path = public, pg_temp
AS $$
#variable_conflict use_column
DECLARE
    v_now          timestamp(0) := localtimestamp(0);
    v_out_login    varchar(128);
    v_out_password varchar(128);
    v_out_id_user  integer;
    v_standing     integer := 0;
    v_message      varchar(200) := '';
    v_outdated     integer := 0;
    v_outcome      varchar(100);          -- NULL: no step has decided the call yet
    v_changed      boolean := false;
    v_bad_credentials constant varchar(200) := 'Неверное имя пользователя или пароль.';
    v_client       text := btrim(coalesce(p_client, ''));
    v_client_tail  text;
    v_client_no    integer := 0;
    v_min_client   integer := 0;
    v_password_md5 text := upper(coalesce(p_password_md5, ''));
    v_new_md5      text := upper(p_new_password_md5);
    v_user         qor_user%ROWTYPE;
    v_found        boolean := false;
BEGIN
    -- The client's build: the digits after the last space ('QOR 12' -> 12);
    -- anything else counts as 0.
    v_client_tail := substring(v_client from '([^ ]*)$');
    IF v_client_tail COLLATE "C" ~ '^[0-9]{1,9}$' THEN
        v_client_no := v_client_tail::integer;
    END IF;

    -- No login is longer: nothing is looked up or hashed for it.
    IF char_length(coalesce(p_login, '')) > 50 THEN
        v_message := v_bad_credentials;
        v_outcome := 'login too long';
    END IF;

    -- No setting, or not a number: no build is too old.
    SELECT CASE WHEN s.value COLLATE "C" ~ '^ *[0-9]{1,9} *$' THEN btrim(s.value)::integer ELSE 0 END
    INTO v_min_client
    FROM qor_setting AS s
    WHERE s.name = 'min_client';
    v_min_client := coalesce(v_min_client, 0);

    IF v_outcome IS NULL AND v_client_no < v_min_client THEN
        v_outdated := 1;
        v_outcome := 'outdated client';
    END IF;

    IF v_outcome IS NULL THEN
        -- FOR UPDATE: two sign-ins of one user at once take turns, so that
        -- neither loses the other's failure count.
        SELECT u.* INTO v_user
        FROM qor_user AS u
        WHERE u.login = p_login     -- without regard to letter case (qor_ci)
        FOR UPDATE;
        v_found := FOUND;
        IF NOT v_found THEN
            -- The same hash as for a known login, so that the time of the
            -- answer does not tell which logins exist.
            PERFORM qor_password_matches(v_password_md5, qor_password_hash('00000000000000000000000000000000'));
            v_message := v_bad_credentials;
            v_outcome := 'unknown login';
        END IF;
    END IF;

    IF v_outcome IS NULL AND v_user.disabled THEN
        v_message := 'Учетная запись заблокирована. Обратитесь к администратору.';
        v_outcome := 'disabled';
    END IF;

    IF v_outcome IS NULL AND v_user.locked_until > v_now THEN
        -- Whole minutes, rounded up: a lock with seconds left still says 1.
        v_message := 'Учетная запись временно заблокирована после пяти неудачных попыток входа. '
                     || 'Повторите попытку через '
                     || greatest(1, ceil(extract(epoch FROM v_user.locked_until - v_now) / 60))::integer
                     || ' мин.';
        v_outcome := 'locked';
    END IF;

    -- A lock that has run out is cleared, and the count starts again.
    IF v_outcome IS NULL AND v_user.locked_until <= v_now THEN
        UPDATE qor_user AS u SET locked_until = NULL, failed_count = 0 WHERE u.id_user = v_user.id_user;
        v_user.locked_until := NULL;
        v_user.failed_count := 0;
    END IF;

    IF v_outcome IS NULL AND NOT qor_password_matches(v_password_md5, v_user.password_hash) THEN
        v_user.failed_count := v_user.failed_count + 1;
        UPDATE qor_user AS u
        SET failed_count = v_user.failed_count,
            locked_until = CASE WHEN v_user.failed_count >= 5 THEN v_now + interval '15 minutes' ELSE u.locked_until END
        WHERE u.id_user = v_user.id_user;
        v_message := v_bad_credentials;
        v_outcome := 'wrong password';
    END IF;

    -- From here on the password is right.
    IF v_outcome IS NULL AND v_user.failed_count <> 0 THEN
        UPDATE qor_user AS u SET failed_count = 0 WHERE u.id_user = v_user.id_user;
    END IF;

    IF v_outcome IS NULL AND v_new_md5 IS NOT NULL THEN
        IF v_new_md5 COLLATE "C" !~ '^[0-9A-F]{32}$' THEN
            v_message := 'Неверный формат нового пароля.';
            v_outcome := 'bad new password';
        ELSIF qor_password_matches(v_new_md5, v_user.password_hash) THEN
            v_message := 'Новый пароль должен отличаться от прежнего.';
            v_outcome := 'same new password';
        ELSE
            v_user.password_hash := qor_password_hash(v_new_md5);
            v_user.must_change := false;
            v_user.password_expires := CASE WHEN v_user.password_days IS NULL THEN NULL
                                            ELSE v_now + make_interval(days => v_user.password_days) END;
            UPDATE qor_user AS u
            SET password_hash = v_user.password_hash,
                must_change = false,
                password_expires = v_user.password_expires
            WHERE u.id_user = v_user.id_user;
            v_changed := true;
        END IF;
    END IF;

    -- A hash of a lower cost than new ones get is made again, now that the
    -- password is known to be right.
    IF v_outcome IS NULL AND NOT v_changed
       AND substring(v_user.password_hash from '^\$2[abxy]?\$([0-9]+)\$')::integer < qor_password_cost() THEN
        UPDATE qor_user AS u SET password_hash = qor_password_hash(v_password_md5) WHERE u.id_user = v_user.id_user;
    END IF;

    IF v_outcome IS NULL THEN
        -- The call that has just stored a new password asks for no other,
        -- however short the new one's life.
        v_standing := CASE WHEN v_user.must_change THEN -1
                           WHEN v_user.password_expires IS NULL OR v_changed THEN 999
                           ELSE v_user.password_expires::date - v_now::date END;
        v_out_id_user := v_user.id_user;
        IF v_standing < 0 THEN
            -- No credentials until the password has been changed.
            v_outcome := 'password change required';
        ELSE
            SELECT qor_stored_form(l.name), qor_stored_form(l.password)
            INTO v_out_login, v_out_password
            FROM qor_login AS l
            WHERE l.name = v_user.db_login;
            v_outcome := CASE WHEN v_changed THEN 'password changed' ELSE 'signed in' END;
        END IF;
    END IF;

    INSERT INTO qor_signin_log (at, login, address, computer, client, outcome)
    VALUES (v_now, left(p_login, 50), left(p_address, 50), left(p_computer, 256), left(p_client, 50), v_outcome);

    RETURN QUERY SELECT v_out_login, v_out_password, v_out_id_user, v_standing, v_message, v_outdated;
END $$;

RESET ROLE;
