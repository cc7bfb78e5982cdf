#include "outputs/database/schema.h"

namespace veltrix::database {

// The access points over every log: their sightings taken as one survey in merge order (the logs
// by the clock of their first record, those without one last, ties by path), gathered as the
// access-point table gathers them: the channel of the strongest sighting (the earliest of equals),
// the latest non-empty SSID, WEP when any sighting had it, and the position of the strongest
// sighting that had one.
const char* const kCreateSchema = R"sql(
CREATE TABLE logs(id INTEGER PRIMARY KEY, name TEXT NOT NULL, path TEXT NOT NULL,
  generation TEXT NOT NULL, bytes INTEGER NOT NULL, sha256 TEXT NOT NULL UNIQUE,
  frames INTEGER NOT NULL, damaged_bytes INTEGER NOT NULL, tail_bytes INTEGER NOT NULL,
  first_rtc TEXT, last_rtc TEXT, imported TEXT NOT NULL);
CREATE TABLE records(log_id INTEGER NOT NULL REFERENCES logs(id), frame INTEGER NOT NULL,
  kind TEXT NOT NULL, rtc TEXT, rtc_date TEXT, rtc_time TEXT, marker TEXT, gps_date TEXT,
  gps_time TEXT, gps_latitude TEXT, gps_longitude TEXT, latitude REAL, longitude REAL,
  PRIMARY KEY (log_id, frame));
CREATE TABLE full_spectrum(log_id INTEGER, frame INTEGER, levels TEXT);
CREATE TABLE single_spectrum(log_id INTEGER, frame INTEGER, channel INTEGER, levels TEXT);
CREATE TABLE survey(log_id INTEGER, frame INTEGER, entry INTEGER, channel INTEGER, mac TEXT,
  ssid TEXT, ssid_bytes BLOB, rssi INTEGER, wep INTEGER, is_ap INTEGER);
CREATE TABLE single(log_id INTEGER, frame INTEGER, mac TEXT, rssi INTEGER, rate TEXT,
  rate_mbps REAL, multipath TEXT, packet_length INTEGER, good INTEGER);
CREATE TABLE utilization(log_id INTEGER, frame INTEGER, channel INTEGER, rate_mbps REAL,
  percent REAL);
CREATE TABLE sightings(log_id INTEGER, seq INTEGER, frame INTEGER, mac TEXT, ssid TEXT,
  channel INTEGER, wep INTEGER, rssi INTEGER, rtc TEXT, latitude REAL, longitude REAL);
CREATE VIEW access_points AS
WITH ordered_logs AS (
  SELECT id, ROW_NUMBER() OVER (ORDER BY first_rtc IS NULL, first_rtc, CAST(path AS BLOB)) AS place
  FROM logs),
s AS (
  SELECT sightings.*, ordered_logs.place,
    ROW_NUMBER() OVER (PARTITION BY mac ORDER BY place, seq) AS nth,
    ROW_NUMBER() OVER (PARTITION BY mac ORDER BY place DESC, seq DESC) AS nth_from_last,
    ROW_NUMBER() OVER (PARTITION BY mac ORDER BY rssi DESC, place, seq) AS strongest,
    ROW_NUMBER() OVER (PARTITION BY mac ORDER BY latitude IS NULL, rssi DESC, place, seq)
      AS strongest_placed,
    ROW_NUMBER() OVER (PARTITION BY mac ORDER BY ssid = '', place DESC, seq DESC) AS latest_named
  FROM sightings JOIN ordered_logs ON ordered_logs.id = sightings.log_id),
gathered AS (
  SELECT mac,
    MAX(CASE WHEN latest_named = 1 THEN ssid END) AS ssid,
    MAX(CASE WHEN strongest = 1 THEN channel END) AS channel,
    CASE WHEN MAX(wep) = 1 THEN 'Yes' ELSE 'No' END AS wep,
    COUNT(*) AS sightings,
    MAX(CASE WHEN nth = 1 THEN rtc END) AS first_seen,
    MAX(CASE WHEN nth_from_last = 1 THEN rtc END) AS last_seen,
    MAX(rssi) AS max_rssi, MIN(rssi) AS min_rssi,
    MAX(CASE WHEN strongest_placed = 1 THEN latitude END) AS latitude,
    MAX(CASE WHEN strongest_placed = 1 THEN longitude END) AS longitude,
    MAX(CASE WHEN strongest_placed = 1 AND latitude IS NOT NULL THEN rssi END)
      AS rssi_at_position,
    MIN(place * 4294967296 + seq) AS first_place
  FROM s GROUP BY mac)
SELECT mac, ssid, channel, wep, sightings, first_seen, last_seen, max_rssi, min_rssi, latitude,
  longitude, rssi_at_position FROM gathered ORDER BY first_place;
)sql";

const char* const kCreateIndexes = R"sql(
CREATE INDEX full_spectrum_frame ON full_spectrum(log_id, frame);
CREATE INDEX single_spectrum_frame ON single_spectrum(log_id, frame);
CREATE INDEX survey_frame ON survey(log_id, frame);
CREATE INDEX single_frame ON single(log_id, frame);
CREATE INDEX utilization_frame ON utilization(log_id, frame);
CREATE INDEX sightings_frame ON sightings(log_id, frame);
CREATE INDEX survey_mac ON survey(mac);
CREATE INDEX single_mac ON single(mac);
CREATE INDEX sightings_mac ON sightings(mac);
)sql";

const char* const kDropIndexes = R"sql(
DROP INDEX full_spectrum_frame; DROP INDEX single_spectrum_frame; DROP INDEX survey_frame;
DROP INDEX single_frame; DROP INDEX utilization_frame; DROP INDEX sightings_frame;
DROP INDEX survey_mac; DROP INDEX single_mac; DROP INDEX sightings_mac;
)sql";

} // namespace veltrix::database
