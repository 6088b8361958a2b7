-- The yard's shared history on a PostgreSQL server: its roles, its tables
-- and the rules a station's login is held to. Run by the server's
-- administrator as a superuser, connected to the yard's database:
--
--   sudo -u postgres psql -d yard -f setup-yard-server.sql
--
-- and once for each station, naming its login and the station's name as
-- its 检尺站设置 gives it (the login is made when it does not exist yet):
--
--   sudo -u postgres psql -d yard -v station_login=gate1 -v station_name=一号门 -f setup-yard-server.sql
--   sudo -u postgres psql -d yard -c '\password gate1'
--
-- (or -v password=... on the first command, where the shell's history may
-- keep it).
--
--   quorvane_owner    holds the tables and runs the schema's steps; no login
--   quorvane_station  the stations' group: reads everything, inserts loads, payments and joins of names
--   station_logins    the station name each station's login records under
--
-- Row-level security lets a station insert only loads, payments and joins
-- of names of its own station;
-- no station may change, delete, truncate or drop anything. A server set up
-- by an earlier version (a station's login owning the tables) is brought
-- under these rules with every row kept. Everything happens in one
-- transaction, and running the script again changes nothing.

\set ON_ERROR_STOP on
\set QUIET on
BEGIN;
SET LOCAL client_min_messages = warning;
SET LOCAL search_path = public;

DO $$
BEGIN
    IF NOT (SELECT rolsuper FROM pg_roles WHERE rolname = current_user) THEN
        RAISE EXCEPTION 'run this as a superuser: sudo -u postgres psql -d yard -f setup-yard-server.sql';
    END IF;
END $$;

-- The roles. Neither logs in; what they may do comes from this script alone.
SELECT NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'quorvane_owner') AS make_owner,
    NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'quorvane_station') AS make_group \gset
\if :make_owner
CREATE ROLE quorvane_owner;
\endif
\if :make_group
CREATE ROLE quorvane_station;
\endif
ALTER ROLE quorvane_owner NOLOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE NOREPLICATION NOBYPASSRLS;
ALTER ROLE quorvane_station NOLOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE NOREPLICATION NOBYPASSRLS;

-- The owner holds the database, its schema and the tables: whoever owns
-- them may drop them, so no station's login may.
ALTER DATABASE :"DBNAME" OWNER TO quorvane_owner;
ALTER SCHEMA public OWNER TO quorvane_owner;
REVOKE CREATE ON SCHEMA public FROM PUBLIC;
ALTER TABLE IF EXISTS history_schema OWNER TO quorvane_owner;
ALTER TABLE IF EXISTS loads OWNER TO quorvane_owner;
ALTER TABLE IF EXISTS outbox OWNER TO quorvane_owner;
ALTER TABLE IF EXISTS station_logins OWNER TO quorvane_owner;
ALTER TABLE IF EXISTS payments OWNER TO quorvane_owner;
ALTER TABLE IF EXISTS partner_aliases OWNER TO quorvane_owner;
ALTER TABLE IF EXISTS payment_outbox OWNER TO quorvane_owner;
ALTER TABLE IF EXISTS alias_outbox OWNER TO quorvane_owner;
DO $$
BEGIN
    IF to_regprocedure('public.quorvane_station_name()') IS NOT NULL THEN
        ALTER FUNCTION public.quorvane_station_name() OWNER TO quorvane_owner;
    END IF;
END $$;

SET LOCAL ROLE quorvane_owner;

-- The schema's steps, as history/schema/<version>.sql gives them to the
-- program, each applied once.
SELECT to_regclass('history_schema') IS NULL AS make_tables \gset
\if :make_tables
CREATE TABLE history_schema (version INTEGER NOT NULL);
INSERT INTO history_schema (version) VALUES (0);
CREATE TABLE loads (
    id BIGSERIAL PRIMARY KEY,
    recorded_at TEXT NOT NULL,
    day TEXT NOT NULL,
    kind INTEGER NOT NULL,
    bill_number TEXT NOT NULL,
    species TEXT NOT NULL,
    buyer TEXT NOT NULL,
    truck TEXT NOT NULL,
    supplier TEXT NOT NULL,
    contact TEXT NOT NULL,
    scaler TEXT NOT NULL,
    pieces_e4 BIGINT NOT NULL,
    volume_e4 BIGINT NOT NULL,
    amount_fen BIGINT NOT NULL,
    detail TEXT NOT NULL
);
CREATE INDEX loads_day ON loads (day);
CREATE INDEX loads_kind_day ON loads (kind, day);
CREATE INDEX loads_species_day ON loads (species, day);
UPDATE history_schema SET version = 1;
\endif

DO $$
BEGIN
    IF (SELECT version FROM history_schema) > 5 THEN
        RAISE EXCEPTION 'a newer version of Quorvane made these tables: run its setup-yard-server.sql';
    END IF;
END $$;
SELECT version < 2 AS step_2, version < 3 AS step_3, version < 4 AS step_4, version < 5 AS step_5
    FROM history_schema \gset
\if :step_2
ALTER TABLE loads ADD COLUMN station TEXT NOT NULL DEFAULT '';
ALTER TABLE loads ADD COLUMN station_number BIGINT NOT NULL DEFAULT 0;
UPDATE loads SET station_number = id;
CREATE UNIQUE INDEX loads_origin ON loads (station, station_number);
UPDATE history_schema SET version = 2;
\endif
\if :step_3
CREATE INDEX loads_listing ON loads (recorded_at, day, kind, species, station, bill_number, buyer, supplier,
    truck, contact, pieces_e4, volume_e4, amount_fen);
CREATE INDEX loads_species ON loads (species, recorded_at);
DROP INDEX loads_day;
DROP INDEX loads_kind_day;
DROP INDEX loads_species_day;
UPDATE history_schema SET version = 3;
\endif
\if :step_4
CREATE TABLE outbox (load_id BIGINT PRIMARY KEY);
INSERT INTO outbox (load_id) SELECT id FROM loads WHERE station = '';
UPDATE history_schema SET version = 4;
\endif
\if :step_5
CREATE TABLE payments (
    id BIGSERIAL PRIMARY KEY,
    station TEXT NOT NULL,
    station_number BIGINT NOT NULL,
    recorded_at TEXT NOT NULL,
    day TEXT NOT NULL,
    partner TEXT NOT NULL,
    direction INTEGER NOT NULL,
    amount_fen BIGINT NOT NULL,
    way TEXT NOT NULL,
    note TEXT NOT NULL,
    reverses_station TEXT NOT NULL,
    reverses_number BIGINT NOT NULL
);
CREATE UNIQUE INDEX payments_origin ON payments (station, station_number);
CREATE UNIQUE INDEX payments_reversal ON payments (reverses_station, reverses_number)
    WHERE reverses_number <> 0;
CREATE INDEX payments_account ON payments (partner, day, direction, amount_fen);
CREATE TABLE partner_aliases (
    id BIGSERIAL PRIMARY KEY,
    station TEXT NOT NULL,
    station_number BIGINT NOT NULL,
    recorded_at TEXT NOT NULL,
    alias TEXT NOT NULL,
    partner TEXT NOT NULL
);
CREATE UNIQUE INDEX partner_aliases_origin ON partner_aliases (station, station_number);
CREATE INDEX loads_supplier_account ON loads (kind, supplier, day, amount_fen);
CREATE INDEX loads_buyer_account ON loads (kind, buyer, day, amount_fen);
CREATE TABLE payment_outbox (payment_id BIGINT PRIMARY KEY);
CREATE TABLE alias_outbox (alias_id BIGINT PRIMARY KEY);
UPDATE history_schema SET version = 5;
\endif

-- Which login records under which station name; kept by the owner alone.
CREATE TABLE IF NOT EXISTS station_logins (
    login NAME PRIMARY KEY,
    station TEXT NOT NULL UNIQUE
);

-- The station name of the login connected, for the rule below: it reads
-- station_logins with the owner's rights, which no station has.
CREATE OR REPLACE FUNCTION quorvane_station_name() RETURNS TEXT
    LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp
    AS $$ SELECT station FROM public.station_logins WHERE login = session_user $$;

-- A station reads every load, payment and join of names, and inserts them
-- under its own name, with no id of its own choosing (the sequence gives
-- it); nothing else. Grants and
-- rules an earlier setup left are taken back first.
DO $$
DECLARE
    target RECORD;
BEGIN
    FOR target IN
        SELECT DISTINCT CASE c.relkind WHEN 'S' THEN 'SEQUENCE' ELSE 'TABLE' END AS kind, c.oid::regclass AS relation,
            CASE a.grantee WHEN 0 THEN 'PUBLIC' ELSE quote_ident(pg_get_userbyid(a.grantee)) END AS grantee
        FROM pg_class c, aclexplode(c.relacl) a
        WHERE c.relnamespace = 'public'::regnamespace
            AND c.relname IN ('history_schema', 'loads', 'loads_id_seq', 'outbox', 'station_logins',
                'payments', 'payments_id_seq', 'partner_aliases', 'partner_aliases_id_seq',
                'payment_outbox', 'alias_outbox')
            AND a.grantee <> c.relowner
    LOOP
        EXECUTE format('REVOKE ALL ON %s %s FROM %s', target.kind, target.relation, target.grantee);
    END LOOP;
    FOR target IN
        SELECT policyname, tablename FROM pg_policies
        WHERE schemaname = 'public' AND tablename IN ('loads', 'payments', 'partner_aliases')
            AND policyname NOT IN ('stations_read', 'stations_insert_own')
    LOOP
        EXECUTE format('DROP POLICY %I ON %I', target.policyname, target.tablename);
    END LOOP;
END $$;
REVOKE ALL ON FUNCTION quorvane_station_name() FROM PUBLIC;
GRANT EXECUTE ON FUNCTION quorvane_station_name() TO quorvane_station;
GRANT SELECT ON history_schema, loads TO quorvane_station;
GRANT INSERT (recorded_at, day, kind, bill_number, species, buyer, truck, supplier, contact, scaler,
    pieces_e4, volume_e4, amount_fen, detail, station, station_number) ON loads TO quorvane_station;
GRANT USAGE ON SEQUENCE loads_id_seq TO quorvane_station;
GRANT SELECT ON payments, partner_aliases TO quorvane_station;
GRANT INSERT (station, station_number, recorded_at, day, partner, direction, amount_fen, way, note,
    reverses_station, reverses_number) ON payments TO quorvane_station;
GRANT INSERT (station, station_number, recorded_at, alias, partner) ON partner_aliases
    TO quorvane_station;
GRANT USAGE ON SEQUENCE payments_id_seq, partner_aliases_id_seq TO quorvane_station;

-- Row-level security binds the owner's own work neither (the schema's
-- steps), nor a superuser's.
ALTER TABLE loads ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS stations_read ON loads;
CREATE POLICY stations_read ON loads FOR SELECT TO quorvane_station USING (true);
DROP POLICY IF EXISTS stations_insert_own ON loads;
CREATE POLICY stations_insert_own ON loads FOR INSERT TO quorvane_station
    WITH CHECK (station = quorvane_station_name());
ALTER TABLE payments ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS stations_read ON payments;
CREATE POLICY stations_read ON payments FOR SELECT TO quorvane_station USING (true);
DROP POLICY IF EXISTS stations_insert_own ON payments;
CREATE POLICY stations_insert_own ON payments FOR INSERT TO quorvane_station
    WITH CHECK (station = quorvane_station_name());
ALTER TABLE partner_aliases ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS stations_read ON partner_aliases;
CREATE POLICY stations_read ON partner_aliases FOR SELECT TO quorvane_station USING (true);
DROP POLICY IF EXISTS stations_insert_own ON partner_aliases;
CREATE POLICY stations_insert_own ON partner_aliases FOR INSERT TO quorvane_station
    WITH CHECK (station = quorvane_station_name());

RESET ROLE;
GRANT CONNECT ON DATABASE :"DBNAME" TO quorvane_station;

-- A station's login, bound to its station's name.
\if :{?station_login}
\if :{?station_name}
\else
\set station_name ''
\endif
SELECT set_config('quorvane.station_login', :'station_login', true),
    set_config('quorvane.station_name', :'station_name', true) \gset setting_
DO $$
DECLARE
    wanted_login TEXT := current_setting('quorvane.station_login');
    wanted_station TEXT := btrim(current_setting('quorvane.station_name'));
    found_role RECORD;
    holder NAME;
BEGIN
    IF wanted_station = '' THEN
        RAISE EXCEPTION 'give the station''s name too: -v station_name=...';
    END IF;
    SELECT * INTO found_role FROM pg_roles WHERE rolname = wanted_login;
    IF NOT FOUND THEN
        EXECUTE format('CREATE ROLE %I LOGIN', wanted_login);
    ELSIF found_role.rolsuper OR found_role.rolcreaterole OR found_role.rolbypassrls OR found_role.rolreplication
        OR NOT found_role.rolcanlogin OR pg_has_role(wanted_login, 'quorvane_owner', 'MEMBER') THEN
        RAISE EXCEPTION 'the role % may do more than a station, or cannot log in: give each station a login of its own',
            wanted_login;
    END IF;
    SELECT s.login INTO holder FROM public.station_logins s WHERE s.station = wanted_station AND s.login <> wanted_login;
    IF FOUND THEN
        RAISE EXCEPTION 'the station % records through the login % already', wanted_station, holder;
    END IF;
    EXECUTE format('GRANT quorvane_station TO %I', wanted_login);
    INSERT INTO public.station_logins AS s (login, station) VALUES (wanted_login, wanted_station)
        ON CONFLICT (login) DO UPDATE SET station = EXCLUDED.station WHERE s.station IS DISTINCT FROM EXCLUDED.station;
END $$;
\if :{?password}
ALTER ROLE :"station_login" PASSWORD :'password';
\endif
\endif

COMMIT;

SELECT count(*) AS station_count FROM station_logins \gset
\echo 'The yard''s history is set up in the database' :DBNAME 'with' :station_count 'station login(s).'
