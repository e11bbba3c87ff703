-- Synthetic verified runs for load figures: one player and one run each.
--   psql CONNINFO -v board=KEY -v count=N -v prefix=TEXT -f synthetic.sql
-- The replay bytes are a placeholder; these runs are never verified again.
-- A key "<fingerprint>-<acceleration>[-g<generation>]" names the board.
INSERT INTO boards (key, fingerprint, spawn_acceleration, generation, shown)
VALUES (:'board', split_part(:'board', '-', 1), split_part(:'board', '-', 2)::double precision,
        coalesce(nullif(ltrim(split_part(:'board', '-', 3), 'g'), '')::integer, 1), true)
ON CONFLICT (key) DO UPDATE SET shown = true;

INSERT INTO players (name, name_key, token_hash, named)
SELECT :'prefix' || i, lower(:'prefix' || i), decode(md5(:'prefix' || 'token' || i), 'hex'), true
FROM generate_series(1, :count) i;

INSERT INTO runs (player_id, sha256, replay, board, generation, status, recorded, replayed,
                  verdict_at, verifier_version)
SELECT p.id, decode(md5(:'prefix' || 'run' || p.id), 'hex'), '\x00'::bytea, :'board',
       (SELECT generation FROM boards WHERE key = :'board'), 'verified', j, j, now(), 'synthetic'
FROM players p
CROSS JOIN LATERAL (SELECT jsonb_build_object(
    'score', (p.id * 7919) % 250000, 'time', 60 + (p.id * 104729) % 24000 / 100.0,
    'kills', (p.id * 31) % 900, 'checksum', '0000000000000000', 'frames', 1000) AS j) x
WHERE p.name_key LIKE lower(:'prefix') || '%';

INSERT INTO board_best (board, player_id, run_id, score, game_time, kills, submitted_at)
SELECT board, player_id, id, (replayed->>'score')::bigint, (replayed->>'time')::real,
       (replayed->>'kills')::integer, submitted_at
FROM runs WHERE verifier_version = 'synthetic' AND board = :'board'
ON CONFLICT DO NOTHING;
ANALYZE;
