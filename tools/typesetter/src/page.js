// The page's script: the typesetter as the global TessalyTypesetter.
module.exports = require('./typesetter.js');
