'use strict';
// A test database with published builds of known contents, made once per suite run.
const { execFileSync } = require('node:child_process');
const crypto = require('node:crypto');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const MiB = 1024 * 1024;

function sha256(buffer) {
  return crypto.createHash('sha256').update(buffer ?? Buffer.alloc(0)).digest('hex');
}

// Writes `size` pseudo-random bytes in pieces so that even the big file never sits in memory.
function writeRandomFile(file, size) {
  const hash = crypto.createHash('sha256');
  const fd = fs.openSync(file, 'w');
  for (let done = 0; done < size;) {
    const piece = crypto.randomBytes(Math.min(4 * MiB, size - done));
    fs.writeSync(fd, piece);
    hash.update(piece);
    done += piece.length;
  }
  fs.closeSync(fd);
  return hash.digest('hex');
}

// builds: [{ program, version, size }]; returns { dir, db, builds: [{ ..., sha256 }] }.
function makeDatabase(bin, builds, extraStatements = []) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'testdb-node-'));
  const db = path.join(dir, 'updates.db');
  const made = builds.map((build, i) => {
    const file = path.join(dir, `build-${i}.bin`);
    const digest = writeRandomFile(file, build.size);
    execFileSync(bin, ['publish', '--db', db, '--program', String(build.program), '--version', build.version,
                       '--name', `app-${i}.exe`, '--file', file]);
    fs.unlinkSync(file);
    return { ...build, sha256: digest, name: `app-${i}.exe` };
  });
  for (const statement of extraStatements) execFileSync(bin, ['sql', '--db', db, statement]);
  return { dir, db, builds: made };
}

module.exports = { MiB, sha256, makeDatabase };
