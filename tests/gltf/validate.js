// Runs the Khronos glTF validator on one .glb file and prints its report as JSON
// (issues.numErrors, issues.numWarnings, issues.messages). Exit status 0 when
// the file was read, 2 when the validator could not run.
// Usage: node validate.js FILE.glb
const fs = require('fs');
const validator = require('gltf-validator');

const file = process.argv[2];
validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {uri: file, maxIssues: 50})
    .then((report) => console.log(JSON.stringify(report, null, 1)))
    .catch((error) => {
      console.error('validator: ' + error);
      process.exit(2);
    });
