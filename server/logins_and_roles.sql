-- Who may do what in QOR: the three roles, the procedure administrators use
-- to add users, and the gate login the settings files carry.
-- Run after qor_schema.sql and get_user.sql, as sa or another sysadmin:
--   sqlcmd -S host,1433 -U sa -b -f 65001 -v GatePassword="..." -i logins_and_roles.sql
-- GatePassword: at most 20 characters (the settings record holds no more),
-- no single quote.

:on error exit

SET ANSI_NULLS ON;
SET QUOTED_IDENTIFIER ON;
SET NOCOUNT ON;
GO

USE QOR;
GO

-- Roles -------------------------------------------------------------------

-- The gate login signs in with the password every settings file carries, so
-- it may do one thing: ask GET_USER for a user's working login.
IF DATABASE_PRINCIPAL_ID(N'qor_gate_role') IS NULL
    CREATE ROLE qor_gate_role AUTHORIZATION dbo;
GO

-- The working logins: the client's screens, on the six data tables only.
IF DATABASE_PRINCIPAL_ID(N'qor_worker_role') IS NULL
    CREATE ROLE qor_worker_role AUTHORIZATION dbo;
GO

-- Working logins that also keep the office's registers: they add, rename and
-- delete students and faculties (the client's Справочники menu and its
-- import). Without it the registers open read-only, as where another system
-- of the institution fills these two tables.
IF DATABASE_PRINCIPAL_ID(N'qor_register_role') IS NULL
    CREATE ROLE qor_register_role AUTHORIZATION dbo;
GO

GRANT EXECUTE ON OBJECT::dbo.GET_USER TO qor_gate_role;
GO

GRANT SELECT                         ON OBJECT::dbo.faculty                TO qor_worker_role;
GRANT SELECT, INSERT, UPDATE, DELETE ON OBJECT::dbo.group_slushatel        TO qor_worker_role;
GRANT SELECT                         ON OBJECT::dbo.s_fio                  TO qor_worker_role;
GRANT SELECT, INSERT, UPDATE, DELETE ON OBJECT::dbo.prikaz_come_slushatel  TO qor_worker_role;
GRANT SELECT, INSERT, UPDATE, DELETE ON OBJECT::dbo.prikaz_leave_slushatel TO qor_worker_role;
GRANT SELECT, INSERT, UPDATE, DELETE ON OBJECT::dbo.movement_slushatel     TO qor_worker_role;
GRANT SELECT                         ON OBJECT::dbo.movement_counts        TO qor_worker_role;
GO

-- The students and faculties are written by the register role alone; an
-- earlier version of this script granted the writes to every working login.
REVOKE INSERT, UPDATE, DELETE ON OBJECT::dbo.faculty FROM qor_worker_role;
REVOKE INSERT, UPDATE, DELETE ON OBJECT::dbo.s_fio   FROM qor_worker_role;
GRANT SELECT, INSERT, UPDATE, DELETE ON OBJECT::dbo.faculty TO qor_register_role;
GRANT SELECT, INSERT, UPDATE, DELETE ON OBJECT::dbo.s_fio   TO qor_register_role;
GO

-- The sign-in tables hold every working login's password. The roles have no
-- grant on them; the denials also hold against a grant made later to public.
-- GET_USER still reads and writes them: it and the tables have one owner, so
-- the server checks no permission on the tables when GET_USER runs.
DENY SELECT, INSERT, UPDATE, DELETE ON OBJECT::dbo.qor_login      TO qor_worker_role, qor_register_role, qor_gate_role;
DENY SELECT, INSERT, UPDATE, DELETE ON OBJECT::dbo.qor_user       TO qor_worker_role, qor_register_role, qor_gate_role;
DENY SELECT, INSERT, UPDATE, DELETE ON OBJECT::dbo.qor_setting    TO qor_worker_role, qor_register_role, qor_gate_role;
DENY SELECT, INSERT, UPDATE, DELETE ON OBJECT::dbo.qor_signin_log TO qor_worker_role, qor_register_role, qor_gate_role;
DENY EXECUTE ON OBJECT::dbo.GET_USER TO qor_worker_role, qor_register_role;
GO

-- Adding users ------------------------------------------------------------

-- Adds a person who signs in to the client, and the working login the client
-- then connects with. Several people may share one working login.
--   @password_md5     upper- or lower-case hex MD5 of the Windows-1251 password
--   @must_change      1: the first sign-in must set a new password
--   @expires_in_days  the first password's life; NULL: never expires
--   @password_days    the life of each new password; NULL: never expires
-- Creating a server login needs ALTER ANY LOGIN (sysadmin, securityadmin);
-- for a login that exists already, db_owner is enough.
CREATE OR ALTER PROCEDURE dbo.qor_add_user
    @login           varchar(50),
    @password_md5    varchar(32),
    @db_login        varchar(128),
    @db_password     varchar(128),
    @must_change     bit = 0,
    @expires_in_days int = NULL,
    @password_days   int = NULL
AS
BEGIN
    SET NOCOUNT ON;
    SET XACT_ABORT ON;

    DECLARE @now          datetime = GETDATE(),
            @sql          nvarchar(max),
            @error        nvarchar(2048),
            @login_exists bit = 0,
            @login_type   char(1),
            @hash         varbinary(256),
            @user_name    sysname,
            @id_user      int,
            @salt         varbinary(16) = CRYPT_GEN_RANDOM(16),
            @rounds       int = dbo.qor_password_rounds();

    IF ISNULL(IS_ROLEMEMBER(N'db_owner'), 0) <> 1
    BEGIN
        THROW 50010, 'Only members of db_owner may add QOR users.', 1;
    END;

    -- Arguments ---------------------------------------------------------

    IF LTRIM(RTRIM(ISNULL(@login, ''))) = ''
    BEGIN
        THROW 50011, 'The user''s login is empty.', 1;
    END;

    IF ISNULL(DATALENGTH(@password_md5), 0) <> 32
       OR @password_md5 COLLATE Cyrillic_General_BIN LIKE '%[^0-9A-Fa-f]%'
    BEGIN
        THROW 50012, 'The password digest must be 32 hexadecimal digits.', 1;
    END;

    IF LTRIM(RTRIM(ISNULL(@db_login, ''))) = ''
    BEGIN
        THROW 50013, 'The working login''s name is empty.', 1;
    END;

    IF ISNULL(@db_password, '') = ''
    BEGIN
        THROW 50014, 'The working login''s password is empty.', 1;
    END;

    IF @password_days <= 0
    BEGIN
        THROW 50015, '@password_days must be a positive number of days, or NULL.', 1;
    END;

    IF EXISTS (SELECT 1 FROM dbo.qor_user WHERE login = @login)
    BEGIN
        SET @error = CONCAT(N'User ', @login, N' exists already.');
        THROW 50016, @error, 1;
    END;

    -- The working login ----------------------------------------------------

    -- GET_USER hands this password to the client as it is kept here, so it
    -- must be the login's real one.
    IF EXISTS (SELECT 1 FROM dbo.qor_login WHERE name = @db_login)
    BEGIN
        SET @login_exists = 1;

        IF EXISTS (SELECT 1 FROM dbo.qor_login
                   WHERE name = @db_login
                     AND (is_gate = 1
                          OR password COLLATE Cyrillic_General_BIN <> @db_password
                          OR DATALENGTH(password) <> DATALENGTH(@db_password)))
        BEGIN
            SET @error = CONCAT(N'Login ', @db_login,
                                N' is already recorded with another password, or is the gate login.');
            THROW 50017, @error, 1;
        END;
    END;

    SELECT @login_type = type
    FROM sys.server_principals
    WHERE name = @db_login;

    IF @login_type IS NOT NULL
    BEGIN
        SET @login_exists = 1;

        -- The client signs in with SQL Server authentication only.
        IF @login_type <> 'S'
        BEGIN
            SET @error = CONCAT(N'Login ', @db_login, N' is not a SQL Server authentication login.');
            THROW 50018, @error, 1;
        END;

        -- Every client would receive this login: never an administrator's.
        IF IS_SRVROLEMEMBER(N'sysadmin', @db_login) = 1
        BEGIN
            SET @error = CONCAT(N'Login ', @db_login, N' is a sysadmin; choose a login for work only.');
            THROW 50019, @error, 1;
        END;

        -- Readable by CONTROL SERVER only; without it the check is skipped.
        SET @hash = CONVERT(varbinary(256), LOGINPROPERTY(@db_login, 'PasswordHash'));
        IF @hash IS NOT NULL
           AND PWDCOMPARE(CONVERT(nvarchar(128), @db_password), @hash) = 0
        BEGIN
            SET @error = CONCAT(N'@db_password is not the password of login ', @db_login, N'.');
            THROW 50020, @error, 1;
        END;
    END;

    IF @login_exists = 0
    BEGIN
        -- No expiry: the office renews a person's password, not the
        -- working login's, which no one types.
        SET @sql = N'CREATE LOGIN ' + QUOTENAME(@db_login)
                 + N' WITH PASSWORD = N' + QUOTENAME(@db_password, N'''')
                 + N', DEFAULT_DATABASE = ' + QUOTENAME(DB_NAME())
                 + N', CHECK_POLICY = ON, CHECK_EXPIRATION = OFF;';
        EXEC sys.sp_executesql @sql;
    END;

    SELECT @user_name = name
    FROM sys.database_principals
    WHERE type = 'S' AND sid = SUSER_SID(@db_login);

    IF @user_name IS NULL
    BEGIN
        SET @sql = N'CREATE USER ' + QUOTENAME(@db_login)
                 + N' FOR LOGIN ' + QUOTENAME(@db_login) + N';';
        EXEC sys.sp_executesql @sql;
        SET @user_name = @db_login;
    END;

    -- A working login that could also run GET_USER or own the database
    -- would undo the separation the roles make.
    IF EXISTS (SELECT 1
               FROM sys.database_role_members AS rm
               JOIN sys.database_principals AS r ON r.principal_id = rm.role_principal_id
               JOIN sys.database_principals AS m ON m.principal_id = rm.member_principal_id
               WHERE m.name = @user_name
                 AND r.name IN (N'qor_gate_role', N'db_owner'))
    BEGIN
        SET @error = CONCAT(N'User ', @user_name, N' is in qor_gate_role or db_owner; choose a login for work only.');
        THROW 50021, @error, 1;
    END;

    IF NOT EXISTS (SELECT 1
                   FROM sys.database_role_members AS rm
                   JOIN sys.database_principals AS r ON r.principal_id = rm.role_principal_id
                   JOIN sys.database_principals AS m ON m.principal_id = rm.member_principal_id
                   WHERE m.name = @user_name
                     AND r.name = N'qor_worker_role')
    BEGIN
        SET @sql = N'ALTER ROLE qor_worker_role ADD MEMBER ' + QUOTENAME(@user_name) + N';';
        EXEC sys.sp_executesql @sql;
    END;

    -- The rows GET_USER reads ---------------------------------------------

    BEGIN TRY
        BEGIN TRANSACTION;

        IF NOT EXISTS (SELECT 1 FROM dbo.qor_login WHERE name = @db_login)
            INSERT INTO dbo.qor_login (name, password, is_gate)
            VALUES (@db_login, @db_password, 0);

        -- Only the salted hash of the digest is kept (dbo.qor_password_hash).
        INSERT INTO dbo.qor_user (login, password_salt, password_hash, password_rounds, must_change,
                                  password_expires, password_days, failed_count, locked_until,
                                  disabled, db_login)
        VALUES (@login,
                @salt,
                dbo.qor_password_hash(@salt, @password_md5, @rounds),
                @rounds,
                ISNULL(@must_change, 0),
                CASE WHEN @expires_in_days IS NULL THEN NULL
                     ELSE DATEADD(day, @expires_in_days, @now) END,
                @password_days,
                0,
                NULL,
                0,
                @db_login);

        SET @id_user = SCOPE_IDENTITY();

        COMMIT TRANSACTION;
    END TRY
    BEGIN CATCH
        IF @@TRANCOUNT > 0
            ROLLBACK TRANSACTION;
        THROW;
    END CATCH;

    SELECT @id_user AS id_user;
END;
GO

-- The gate login ----------------------------------------------------------

-- Every settings file holds this password, at most 20 characters of it.
IF LEN(N'$(GatePassword)') NOT BETWEEN 1 AND 20
BEGIN
    THROW 50000, 'GatePassword must be 1 to 20 characters: the settings record holds no more.', 1;
END;
GO

USE master;
GO

-- Kept as it is if it exists: changing its password means rebuilding every
-- office's settings file (ALTER LOGIN qor_gate WITH PASSWORD = ...).
-- CHECK_POLICY holds the password to the server's complexity rules;
-- CHECK_EXPIRATION is off because an expired gate password would stop every
-- client at once.
IF NOT EXISTS (SELECT 1 FROM sys.server_principals WHERE name = N'qor_gate')
    CREATE LOGIN qor_gate
    WITH PASSWORD = N'$(GatePassword)',
         DEFAULT_DATABASE = QOR,
         CHECK_POLICY = ON,
         CHECK_EXPIRATION = OFF;
ELSE
    PRINT 'Login qor_gate exists; its password is unchanged.';
GO

USE QOR;
GO

IF DATABASE_PRINCIPAL_ID(N'qor_gate') IS NULL
    CREATE USER qor_gate FOR LOGIN qor_gate;
GO

IF NOT EXISTS (SELECT 1
               FROM sys.database_role_members AS rm
               JOIN sys.database_principals AS r ON r.principal_id = rm.role_principal_id
               JOIN sys.database_principals AS m ON m.principal_id = rm.member_principal_id
               WHERE m.name = N'qor_gate'
                 AND r.name = N'qor_gate_role')
    ALTER ROLE qor_gate_role ADD MEMBER qor_gate;
GO
