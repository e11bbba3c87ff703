-- A second-generation game's key is its seed, its second-by-second world
-- checksums, its time and its rules: what it was up to the Marine's death,
-- where its time stops. The score no longer takes part, since a body shoved
-- onto a bonus after the death raised it in the whole file but not in the
-- copy cut at the fatal frame: one game, two keys. The keys are made again
-- when the server starts (the oldest run of a game keeps it).
UPDATE runs SET game_key = NULL WHERE generation >= 2;
