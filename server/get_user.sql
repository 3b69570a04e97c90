-- GET_USER, the sign-in exchange, and the function it uses.
-- Run after qor_schema.sql. This file holds Russian text in UTF-8:
--   sqlcmd -S host,1433 -U sa -b -f 65001 -i get_user.sql

:on error exit

SET ANSI_NULLS ON;
SET QUOTED_IDENTIFIER ON;
SET NOCOUNT ON;
GO

USE QOR;
GO

-- Read in another code page, the messages below would be stored garbled.
IF UNICODE(N'Н') <> 1053
BEGIN
    THROW 50000, 'get_user.sql was read in the wrong code page: run sqlcmd with -f 65001.', 1;
END;
GO

-- The messages are varchar: they keep their letters only in a Windows-1251
-- database.
IF CONVERT(int, COLLATIONPROPERTY(CONVERT(sysname, DATABASEPROPERTYEX(DB_NAME(), 'Collation')), 'CodePage')) <> 1251
BEGIN
    THROW 50000, 'Database QOR must use a Windows-1251 collation (Cyrillic_General_CI_AS).', 1;
END;
GO

-- qor_schema.sql of this version hashes the passwords GET_USER compares with.
IF COL_LENGTH(N'dbo.qor_user', N'password_hash') IS NULL
BEGIN
    THROW 50000, 'Run qor_schema.sql first: dbo.qor_user has no password_hash yet.', 1;
END;
GO

-- The form in which GET_USER hands out the working login's name and
-- password: every Windows-1251 byte one less, modulo 256. The client adds
-- the one back before it connects.
CREATE OR ALTER FUNCTION dbo.qor_stored_form (@text varchar(128))
RETURNS varchar(128)
WITH SCHEMABINDING, RETURNS NULL ON NULL INPUT
AS
BEGIN
    DECLARE @result varchar(128) = '';
    DECLARE @i int = 1;
    -- DATALENGTH, not LEN: a trailing space is part of a password.
    DECLARE @n int = DATALENGTH(@text);

    WHILE @i <= @n
    BEGIN
        SET @result = @result + CHAR((ASCII(SUBSTRING(@text, @i, 1)) + 255) % 256);
        SET @i = @i + 1;
    END;

    RETURN @result;
END;
GO

-- Called by the gate login of the settings file:
--   EXEC GET_USER 'ivanov', '<MD5>', NULL, 'QOR 12', '10.0.0.5', 'PC01', 'ivanov', '0', '4'
-- Returns one row (login, password, id_user, standing, message, outdated):
-- the working login in stored form when the user may work, otherwise NULLs
-- and a message for the user. standing is the password's days left, 999 for
-- never or for the call that has just stored a new password, below zero when
-- it must be changed first. Every call leaves one row
-- in qor_signin_log.
CREATE OR ALTER PROCEDURE dbo.GET_USER
    -- One character more than any login has (qor_user.login is varchar(50)):
    -- the server cuts a longer argument to this without a word, so a login of
    -- 51 or more arrives as 51 and is refused, never cut to 50 and taken for
    -- another user's.
    @login            varchar(51),
    @password_md5     varchar(32),
    @new_password_md5 varchar(32),   -- NULL unless the user sets a new password
    @client           varchar(50),   -- 'QOR <build>'
    @address          varchar(50),
    @computer         varchar(256),
    -- The client sends these three for its own reasons; nothing here needs them.
    @login_again      varchar(50),
    @reserved         varchar(10),
    @new_arg_length   varchar(10)
AS
BEGIN
    SET NOCOUNT ON;
    SET XACT_ABORT ON;

    DECLARE @now datetime = GETDATE();

    -- The row returned, and the outcome written to the log. A NULL @outcome
    -- means no step has decided the call yet.
    DECLARE @out_login    varchar(128) = NULL,
            @out_password varchar(128) = NULL,
            @out_id_user  int = NULL,
            @standing     int = 0,
            @message      varchar(200) = '',
            @outdated     int = 0,
            @outcome      varchar(100) = NULL,
            @changed      bit = 0;

    DECLARE @bad_credentials varchar(200) = N'Неверное имя пользователя или пароль.';

    -- The client's build: the digits after the last space ('QOR 12' -> 12);
    -- anything else counts as 0. The binary collation keeps [0-9] to ASCII digits.
    DECLARE @client_text varchar(50) = LTRIM(RTRIM(ISNULL(@client, '')));
    DECLARE @client_tail varchar(50) =
        RIGHT(@client_text, CHARINDEX(' ', REVERSE(@client_text) + ' ') - 1);
    DECLARE @client_number int =
        CASE
            WHEN @client_tail <> ''
                 AND @client_tail COLLATE Cyrillic_General_BIN NOT LIKE '%[^0-9]%'
                 AND DATALENGTH(@client_tail) <= 9
                THEN ISNULL(TRY_CONVERT(int, @client_tail), 0)
            ELSE 0
        END;

    -- No setting, or not a number: no build is too old.
    DECLARE @min_client int = 0;

    DECLARE @id_user          int = NULL,
            @password_salt    varbinary(16),
            @password_hash    varbinary(64),
            @password_rounds  int,
            @must_change      bit,
            @password_expires datetime,
            @password_days    int,
            @failed_count     int,
            @locked_until     datetime,
            @disabled         bit,
            @db_login         varchar(128),
            @minutes_left     bigint;

    BEGIN TRY
        BEGIN TRANSACTION;

        -- No login is longer: nothing is looked up or hashed for it.
        IF DATALENGTH(@login) > 50
        BEGIN
            SET @message = @bad_credentials;
            SET @outcome = 'login too long';
        END;

        SELECT @min_client = ISNULL(TRY_CONVERT(int, value), 0)
        FROM dbo.qor_setting
        WHERE name = 'min_client';

        IF @outcome IS NULL AND @client_number < @min_client
        BEGIN
            SET @outdated = 1;
            SET @outcome = 'outdated client';
        END;

        IF @outcome IS NULL
        BEGIN
            -- UPDLOCK: two sign-ins of one user at once take turns, so that
            -- neither loses the other's failure count.
            SELECT @id_user = id_user,
                   @password_salt = password_salt,
                   @password_hash = password_hash,
                   @password_rounds = password_rounds,
                   @must_change = must_change,
                   @password_expires = password_expires,
                   @password_days = password_days,
                   @failed_count = failed_count,
                   @locked_until = locked_until,
                   @disabled = disabled,
                   @db_login = db_login
            FROM dbo.qor_user WITH (UPDLOCK, ROWLOCK)
            WHERE login = @login;   -- case-insensitive by the database collation

            IF @id_user IS NULL
            BEGIN
                -- The same hash as for a known login, so that the time of
                -- the answer does not tell which logins exist.
                SET @password_hash = dbo.qor_password_hash(0x00, @password_md5, dbo.qor_password_rounds());
                SET @message = @bad_credentials;
                SET @outcome = 'unknown login';
            END;
        END;

        IF @outcome IS NULL AND @disabled = 1
        BEGIN
            SET @message = N'Учетная запись заблокирована. Обратитесь к администратору.';
            SET @outcome = 'disabled';
        END;

        IF @outcome IS NULL AND @locked_until > @now
        BEGIN
            -- Whole minutes, rounded up: a lock with seconds left still says 1.
            SET @minutes_left = (DATEDIFF_BIG(millisecond, @now, @locked_until) + 59999) / 60000;
            SET @message = CONCAT(
                N'Учетная запись временно заблокирована после пяти неудачных попыток входа. '
                + N'Повторите попытку через ', @minutes_left, N' мин.');
            SET @outcome = 'locked';
        END;

        -- A lock that has run out is cleared, and the count starts again.
        IF @outcome IS NULL AND @locked_until <= @now
        BEGIN
            UPDATE dbo.qor_user
            SET locked_until = NULL,
                failed_count = 0
            WHERE id_user = @id_user;

            SET @locked_until = NULL;
            SET @failed_count = 0;
        END;

        -- The digest is hashed with the user's salt and rounds and compared
        -- byte for byte; a missing one is simply wrong.
        IF @outcome IS NULL
           AND ISNULL(dbo.qor_password_hash(@password_salt, @password_md5, @password_rounds), 0x)
               <> @password_hash
        BEGIN
            SET @failed_count = @failed_count + 1;

            UPDATE dbo.qor_user
            SET failed_count = @failed_count,
                locked_until = CASE
                                   WHEN @failed_count >= 5 THEN DATEADD(minute, 15, @now)
                                   ELSE locked_until
                               END
            WHERE id_user = @id_user;

            SET @message = @bad_credentials;
            SET @outcome = 'wrong password';
        END;

        -- From here on the password is right.
        IF @outcome IS NULL AND @failed_count <> 0
        BEGIN
            UPDATE dbo.qor_user
            SET failed_count = 0
            WHERE id_user = @id_user;
        END;

        IF @outcome IS NULL AND @new_password_md5 IS NOT NULL
        BEGIN
            IF DATALENGTH(@new_password_md5) <> 32
               OR @new_password_md5 COLLATE Cyrillic_General_BIN LIKE '%[^0-9A-Fa-f]%'
            BEGIN
                SET @message = N'Неверный формат нового пароля.';
                SET @outcome = 'bad new password';
            END
            ELSE IF dbo.qor_password_hash(@password_salt, @new_password_md5, @password_rounds) = @password_hash
            BEGIN
                SET @message = N'Новый пароль должен отличаться от прежнего.';
                SET @outcome = 'same new password';
            END
            ELSE
            BEGIN
                SET @password_salt = CRYPT_GEN_RANDOM(16);
                SET @password_rounds = dbo.qor_password_rounds();
                SET @password_hash = dbo.qor_password_hash(@password_salt, @new_password_md5, @password_rounds);
                SET @must_change = 0;
                SET @password_expires = CASE
                                            WHEN @password_days IS NULL THEN NULL
                                            ELSE DATEADD(day, @password_days, @now)
                                        END;

                UPDATE dbo.qor_user
                SET password_salt = @password_salt,
                    password_hash = @password_hash,
                    password_rounds = @password_rounds,
                    must_change = @must_change,
                    password_expires = @password_expires
                WHERE id_user = @id_user;

                SET @changed = 1;
            END;
        END;

        -- A hash of fewer rounds than new ones get is made again, now that
        -- the password is known to be right.
        IF @outcome IS NULL AND @changed = 0 AND @password_rounds < dbo.qor_password_rounds()
        BEGIN
            SET @password_salt = CRYPT_GEN_RANDOM(16);
            SET @password_rounds = dbo.qor_password_rounds();
            SET @password_hash = dbo.qor_password_hash(@password_salt, @password_md5, @password_rounds);

            UPDATE dbo.qor_user
            SET password_salt = @password_salt,
                password_hash = @password_hash,
                password_rounds = @password_rounds
            WHERE id_user = @id_user;
        END;

        IF @outcome IS NULL
        BEGIN
            -- The call that has just stored a new password asks for no
            -- other, however short the new one's life.
            SET @standing = CASE
                                WHEN @must_change = 1 THEN -1
                                WHEN @password_expires IS NULL OR @changed = 1 THEN 999
                                ELSE DATEDIFF(day, @now, @password_expires)
                            END;

            SET @out_id_user = @id_user;

            IF @standing < 0
            BEGIN
                -- No credentials until the password has been changed.
                SET @outcome = 'password change required';
            END
            ELSE
            BEGIN
                SELECT @out_login = dbo.qor_stored_form(l.name),
                       @out_password = dbo.qor_stored_form(l.password)
                FROM dbo.qor_login AS l
                WHERE l.name = @db_login;

                SET @outcome = CASE WHEN @changed = 1 THEN 'password changed' ELSE 'signed in' END;
            END;
        END;

        INSERT INTO dbo.qor_signin_log ([at], login, address, computer, client, outcome)
        VALUES (@now, LEFT(@login, 50), @address, @computer, @client, @outcome);

        COMMIT TRANSACTION;
    END TRY
    BEGIN CATCH
        IF @@TRANCOUNT > 0
            ROLLBACK TRANSACTION;
        THROW;
    END CATCH;

    SELECT @out_login    AS login,
           @out_password AS password,
           @out_id_user  AS id_user,
           @standing     AS standing,
           @message      AS message,
           @outdated     AS outdated;
END;
GO
