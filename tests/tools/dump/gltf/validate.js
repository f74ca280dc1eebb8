// Runs the Khronos glTF validator on one .glb file and prints its JSON report on stdout.
// Usage: NODE_PATH=<folder with node_modules/gltf-validator> node validate.js FILE.glb
// The images a material names are the artist's files, not part of the export: every external
// image is given to the validator as a 1x1 PNG, so the report is about the .glb alone.
'use strict';
const fs = require('fs');
const validator = require('gltf-validator');

const kPixel = Buffer.from(
    'iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==',
    'base64');

const file = process.argv[2];
validator
    .validateBytes(new Uint8Array(fs.readFileSync(file)), {
        uri: file,
        maxIssues: 0,
        externalResourceFunction: () => Promise.resolve(new Uint8Array(kPixel)),
    })
    .then((report) => {
        process.stdout.write(JSON.stringify(report, null, 2) + '\n');
    })
    .catch((error) => {
        process.stderr.write('validator failed: ' + error + '\n');
        process.exit(3);
    });
