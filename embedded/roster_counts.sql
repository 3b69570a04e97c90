-- The roster rows counted per group and pair of dates, kept by the roster's
-- own triggers in the same transaction as every write, so that the reports
-- of groups sum a few rows a group instead of counting every roster row.
-- On SQL Server the same name is a view over the roster (server/qor_schema.sql).
CREATE TABLE movement_counts (
    id_group_slushatel INTEGER,
    come_date          DATETIME,
    leave_date         DATETIME,
    roster_rows        INTEGER NOT NULL
);
CREATE INDEX movement_counts_key ON movement_counts (id_group_slushatel, come_date, leave_date);

-- A row counted in or out under its group and dates, as they are in NEW or
-- OLD: the dates' normalisation after an insert is an update, counted out
-- and in again like any other, so the counts end on the stored form whatever
-- order the triggers run in. Pairs that count nothing are removed.
CREATE TRIGGER movement_counts_insert AFTER INSERT ON movement_slushatel
BEGIN
    INSERT INTO movement_counts (id_group_slushatel, come_date, leave_date, roster_rows)
    SELECT NEW.id_group_slushatel, NEW.come_date, NEW.leave_date, 0
    WHERE NOT EXISTS (SELECT 1 FROM movement_counts WHERE id_group_slushatel IS NEW.id_group_slushatel
                      AND come_date IS NEW.come_date AND leave_date IS NEW.leave_date);
    UPDATE movement_counts SET roster_rows = roster_rows + 1
    WHERE id_group_slushatel IS NEW.id_group_slushatel AND come_date IS NEW.come_date AND leave_date IS NEW.leave_date;
    DELETE FROM movement_counts WHERE roster_rows = 0 AND id_group_slushatel IS NEW.id_group_slushatel
        AND come_date IS NEW.come_date AND leave_date IS NEW.leave_date;
END;

CREATE TRIGGER movement_counts_delete AFTER DELETE ON movement_slushatel
BEGIN
    INSERT INTO movement_counts (id_group_slushatel, come_date, leave_date, roster_rows)
    SELECT OLD.id_group_slushatel, OLD.come_date, OLD.leave_date, 0
    WHERE NOT EXISTS (SELECT 1 FROM movement_counts WHERE id_group_slushatel IS OLD.id_group_slushatel
                      AND come_date IS OLD.come_date AND leave_date IS OLD.leave_date);
    UPDATE movement_counts SET roster_rows = roster_rows - 1
    WHERE id_group_slushatel IS OLD.id_group_slushatel AND come_date IS OLD.come_date AND leave_date IS OLD.leave_date;
    DELETE FROM movement_counts WHERE roster_rows = 0 AND id_group_slushatel IS OLD.id_group_slushatel
        AND come_date IS OLD.come_date AND leave_date IS OLD.leave_date;
END;

CREATE TRIGGER movement_counts_update AFTER UPDATE OF id_group_slushatel, come_date, leave_date ON movement_slushatel
BEGIN
    INSERT INTO movement_counts (id_group_slushatel, come_date, leave_date, roster_rows)
    SELECT OLD.id_group_slushatel, OLD.come_date, OLD.leave_date, 0
    WHERE NOT EXISTS (SELECT 1 FROM movement_counts WHERE id_group_slushatel IS OLD.id_group_slushatel
                      AND come_date IS OLD.come_date AND leave_date IS OLD.leave_date);
    UPDATE movement_counts SET roster_rows = roster_rows - 1
    WHERE id_group_slushatel IS OLD.id_group_slushatel AND come_date IS OLD.come_date AND leave_date IS OLD.leave_date;
    DELETE FROM movement_counts WHERE roster_rows = 0 AND id_group_slushatel IS OLD.id_group_slushatel
        AND come_date IS OLD.come_date AND leave_date IS OLD.leave_date;
    INSERT INTO movement_counts (id_group_slushatel, come_date, leave_date, roster_rows)
    SELECT NEW.id_group_slushatel, NEW.come_date, NEW.leave_date, 0
    WHERE NOT EXISTS (SELECT 1 FROM movement_counts WHERE id_group_slushatel IS NEW.id_group_slushatel
                      AND come_date IS NEW.come_date AND leave_date IS NEW.leave_date);
    UPDATE movement_counts SET roster_rows = roster_rows + 1
    WHERE id_group_slushatel IS NEW.id_group_slushatel AND come_date IS NEW.come_date AND leave_date IS NEW.leave_date;
    DELETE FROM movement_counts WHERE roster_rows = 0 AND id_group_slushatel IS NEW.id_group_slushatel
        AND come_date IS NEW.come_date AND leave_date IS NEW.leave_date;
END;

-- A database made before the counts were kept gets them from its roster.
INSERT INTO movement_counts (id_group_slushatel, come_date, leave_date, roster_rows)
SELECT id_group_slushatel, come_date, leave_date, count(*) FROM movement_slushatel
GROUP BY id_group_slushatel, come_date, leave_date;
