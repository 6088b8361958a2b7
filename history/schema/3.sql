-- The loads list reads one index: it begins with the time recorded, which
-- begins with the day, so a period is one range of it, in the order the
-- list shows by default, and it holds every column the list, its totals and
-- the report read, so a search over years of loads never reads the rows
-- with their long detail. A kind is found faster in it than through an
-- index of its own; a species is found through its index with the time.
CREATE INDEX loads_listing ON loads (recorded_at, day, kind, species, station, bill_number, buyer, supplier,
    truck, contact, pieces_e4, volume_e4, amount_fen);
CREATE INDEX loads_species ON loads (species, recorded_at);
DROP INDEX loads_day;
DROP INDEX loads_kind_day;
DROP INDEX loads_species_day;
