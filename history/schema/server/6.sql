-- What a server holds every station to, whoever sends it. No text is
-- longer than the program's fields hold (80 characters; the listing index
-- takes 8 of them and fits at four bytes a character), the notes of a
-- payment 200, a load's other texts 128 KB. Rows stored before stay as
-- they are.
ALTER TABLE loads ADD CONSTRAINT loads_text_lengths CHECK (
    char_length(recorded_at) <= 32 AND char_length(day) <= 10 AND char_length(bill_number) <= 80
    AND char_length(species) <= 80 AND char_length(buyer) <= 80 AND char_length(truck) <= 80
    AND char_length(supplier) <= 80 AND char_length(contact) <= 80 AND char_length(scaler) <= 80
    AND char_length(station) <= 80 AND octet_length(detail) <= 131072) NOT VALID;
ALTER TABLE payments ADD CONSTRAINT payments_text_lengths CHECK (
    char_length(station) <= 80 AND char_length(recorded_at) <= 32 AND char_length(day) <= 10
    AND char_length(partner) <= 100 AND char_length(way) <= 100 AND char_length(note) <= 200
    AND char_length(reverses_station) <= 80) NOT VALID;
ALTER TABLE partner_aliases ADD CONSTRAINT partner_aliases_text_lengths CHECK (
    char_length(station) <= 80 AND char_length(recorded_at) <= 32 AND char_length(alias) <= 100
    AND char_length(partner) <= 100) NOT VALID;
-- A reversal names a payment stored here that is no reversal itself (the
-- index payments_reversal lets it be reversed once). Payments are never
-- changed or removed, so what this finds stays true.
CREATE FUNCTION payments_reversal_check() RETURNS trigger LANGUAGE plpgsql
    SET search_path = pg_catalog, {schema}, pg_temp AS $$
BEGIN
    IF NEW.reverses_number <> 0 AND NOT EXISTS (SELECT FROM payments p
            WHERE p.station = NEW.reverses_station AND p.station_number = NEW.reverses_number
                AND p.reverses_number = 0) THEN
        RAISE EXCEPTION USING ERRCODE = 'foreign_key_violation',
            CONSTRAINT = 'payments_reverses_payment',
            MESSAGE = format('payments_reverses_payment: payment %s %s reverses no payment stored here',
                NEW.station, NEW.station_number);
    END IF;
    RETURN NEW;
END $$;
CREATE TRIGGER payments_reversal_check BEFORE INSERT ON payments
    FOR EACH ROW EXECUTE FUNCTION payments_reversal_check();
-- A join names a partner that is joined into none, and joins a name no
-- other is joined into, so every name is one step from its partner. Joins
-- are checked one at a time, under a lock only the owner may take, each
-- seeing the joins committed before it, so two stations (or two
-- connections of one) cannot make a chain between them.
CREATE FUNCTION partner_aliases_depth_check() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = pg_catalog, {schema}, pg_temp AS $$
BEGIN
    IF current_setting('transaction_isolation') <> 'read committed' THEN
        RAISE EXCEPTION USING ERRCODE = 'check_violation', CONSTRAINT = 'partner_aliases_one_step',
            MESSAGE = 'partner_aliases_one_step: joins are checked in read committed transactions only';
    END IF;
    PERFORM pg_advisory_xact_lock(1366714483, 2);
    IF EXISTS (SELECT FROM partner_aliases a WHERE a.alias = NEW.partner)
        OR EXISTS (SELECT FROM partner_aliases a WHERE a.partner = NEW.alias) THEN
        RAISE EXCEPTION USING ERRCODE = 'check_violation',
            CONSTRAINT = 'partner_aliases_one_step',
            MESSAGE = format('partner_aliases_one_step: join %s %s would make a chain',
                NEW.station, NEW.station_number);
    END IF;
    RETURN NEW;
END $$;
CREATE TRIGGER partner_aliases_depth_check BEFORE INSERT ON partner_aliases
    FOR EACH ROW EXECUTE FUNCTION partner_aliases_depth_check();
