// Checks glTF files with the Khronos glTF validator: prints each file's errors and warnings and
// exits with 1 when any file has an error (or cannot be read).
//   node validate_gltf.mjs FILE.glb [FILE.gltf ...]
import { readFile } from 'node:fs/promises';
import { basename } from 'node:path';
import validator from 'gltf-validator';

const severities = ['error', 'warning', 'info', 'hint'];
let failed = false;
for (const file of process.argv.slice(2)) {
  try {
    const report = await validator.validateBytes(new Uint8Array(await readFile(file)), {
      uri: basename(file),
      maxIssues: 100,
      // The exports embed everything: any external reference is a fault.
      externalResourceFunction: (uri) => Promise.reject(new Error(`external resource ${uri}`)),
    });
    const { numErrors, numWarnings, numInfos } = report.issues;
    console.log(`${file}: ${numErrors} errors, ${numWarnings} warnings, ${numInfos} infos`);
    for (const m of report.issues.messages) {
      if (m.severity <= 1) console.log(`  ${severities[m.severity]} ${m.code} ${m.pointer ?? ''}: ${m.message}`);
    }
    if (numErrors > 0) failed = true;
  } catch (e) {
    console.log(`${file}: cannot validate: ${e.message ?? e}`);
    failed = true;
  }
}
process.exit(failed ? 1 : 0);
