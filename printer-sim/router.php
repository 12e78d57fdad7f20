<?php
// Router for PHP's built-in server: /lsp/NAME.php runs that endpoint's
// script, /sim/state shows the state, /sim/control sets faults.
require __DIR__ . '/lib.php';

$path = parse_url($_SERVER['REQUEST_URI'], PHP_URL_PATH);
$endpoints = ['setIP', 'getVersion', 'setTime', 'upgrade', 'getPages', 'clear', 'config-strategies'];

if (preg_match('#\A/lsp/([A-Za-z-]+)\.php\z#', $path, $m) && in_array($m[1], $endpoints, true)) {
    sim_apply_faults($m[1]);
    require __DIR__ . '/lsp/' . $m[1] . '.php';
    exit;
}
if ($path === '/sim/state') {
    $state = sim_with_state(function (array &$state) {
        return $state;
    });
    header('Content-Type: application/json');
    echo json_encode($state, JSON_PRETTY_PRINT | JSON_UNESCAPED_SLASHES);
    exit;
}
if ($path === '/sim/control') {
    sim_require_method('POST');
    $control = json_decode(file_get_contents('php://input'), true);
    if (!is_array($control)) {
        sim_refuse('control body must be a JSON object');
    }
    sim_with_state(function (array &$state) use ($control) {
        if (!empty($control['reset'])) {
            $state = sim_default_state();
        }
        if (isset($control['endpoint'])) {
            $faults = (array)$state['faults'];
            if (!empty($control['clear'])) {
                unset($faults[$control['endpoint']]);
            } else {
                $faults[$control['endpoint']] = array_intersect_key($control,
                    array_flip(['delay', 'status', 'body', 'never', 'never_seconds']));
            }
            $state['faults'] = $faults ?: new stdClass();
        }
        foreach (['firmware', 'pages', 'queue'] as $key) {
            if (array_key_exists($key, $control)) {
                $state[$key] = $control[$key];
            }
        }
    });
    sim_answer(200, 'ok');
}
sim_answer(404, 'no such endpoint');
