-- Where a load was recorded: its station and its number there, so that one
-- store can hold the loads of several stations and a load sent twice is
-- stored once. A load of this machine alone has station '' and its own id.
ALTER TABLE loads ADD COLUMN station TEXT NOT NULL DEFAULT '';
ALTER TABLE loads ADD COLUMN station_number BIGINT NOT NULL DEFAULT 0;
UPDATE loads SET station_number = id;
CREATE UNIQUE INDEX loads_origin ON loads (station, station_number);
